// PLACEHOLDER until the display objects land.
#include "gfx/Display.h"

TDisplay* Display = nullptr;
TDisplay::TDisplay() = default;
TDisplay::~TDisplay() = default;
void TDisplay::CreateSurfaces(bool, int) {}
void TDisplay::ReleaseSurfaces() {}
bool TDisplay::CheckResult(HRESULT) { return true; }
HRESULT TDisplay::RestoreSurfaces() { return DD_OK; }
void TDisplay::ReloadSheets() {}
void TDisplay::LockBackBuffer() {}
void TDisplay::UnlockBackBuffer() {}
void TDisplay::PresentBackBuffer() {}
std::string SheetName(const std::string& base, int index) { return base + std::to_string(index); }
