#include "ProgramPlan.h"

#include <windows.h>

#include "FileOps.h"
#include "Paths.h"
#include "RH_Common_Proc.h"
#include "ResourceIds.h"
#include "TargetFolder.h"
#include "Text.h"

bool IsSiblingProductName(const std::wstring& ProductName) {
  return UpperCase(ProductName) == UpperCase(L"Велена");
}

std::wstring DefaultTargetFolder() { return L"C:\\" + LoadResString(GetModuleHandleW(nullptr), IDS_APP_FOLDER); }

TInstallPlan ProgramPlan(const std::wstring& Target, bool DriverInstall) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  TInstallPlan plan;
  // A relative name counts from the program's folder, the current one now; the stages get it whole,
  // since a stage changes the current folder.
  plan.Target = FullFolderPath(Target);
  plan.Source = ProgramFolder();
  plan.DriverInstall = DriverInstall;
  plan.ProductName = LoadResString(instance, IDS_PRODUCT_NAME);
  plan.SiblingProduct = IsSiblingProductName(plan.ProductName);
  plan.ProductDescription = LoadResString(instance, IDS_PRODUCT_DESCRIPTION);
  plan.MainProgram = LoadResString(instance, IDS_MAIN_PROGRAM);
  // One entry name for every installation of the product, so a reinstall updates the same entry.
  plan.EntryName = LoadResString(instance, IDS_APP_FOLDER);
  plan.Publisher = LoadResString(instance, IDS_PUBLISHER);
  plan.AboutLink = LoadResString(instance, IDS_ABOUT_LINK);
  plan.SetupProgram = ProgramFile();
  return plan;
}
