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
  return plan;
}
