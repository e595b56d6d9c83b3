#pragma once

// Installs the Qt implementations of the platform hooks (event pump and
// message boxes). Call once after the QApplication exists.
void InstallQtPlatformHooks();
