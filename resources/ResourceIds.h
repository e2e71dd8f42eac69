#pragma once
// Ids shared by the resource script and the code.
#define IDI_INSTALL 1

// Product string table.
#define IDS_APP_FOLDER 0
#define IDS_PRODUCT_NAME 1
#define IDS_PRODUCT_DESCRIPTION 2
#define IDS_PROGRAM_COUNT 3
#define IDS_MAIN_PROGRAM 4
#define IDS_LAST_PROGRAM 21
// The maker and its site, for the entry in Programs and Features.
#define IDS_PUBLISHER 30
#define IDS_ABOUT_LINK 31
