// How the status page and the exit password dialog open over the main screen.
#pragma once

#include "wince.h"

#include <aygshell.h>

#include "ui/LauncherDialog.h"
#include "ui/UiTexts.h"

namespace qzr {

// Turns the device framework's automatic shell handling off, drops the caption's OK button, makes
// the dialog not draggable, runs the default initialisation and gives it the launcher's title;
// then takes the whole screen (full-screen mode) or puts up the dialog's soft-key bar with the
// title-bar OK button. False when the bar could not be made: the operator has been told and
// initialisation ends there.
template <typename Dialog>
bool OpenChildScreen(Dialog& dialog, bool fullScreen, UINT softKeysId) {
  HWND window = dialog.hwnd();
  dialog.SetAutoShellDialog(false);
  dialog.DropCaptionOkAndDrag();
  dialog.DefaultInitDialog();
  // The device's task bar shows the title of the window in front; these screens are the
  // launcher's as much as its list is, and without a title the bar would show nothing.
  SetWindowTextW(window, kLauncherTitle);

  if (fullScreen) {
    SetForegroundWindow(window);
    SHFullScreen(window, kFullScreenHideAll);
    dialog.MoveToScreen();
    return true;
  }
  if (!dialog.CreateSoftKeyBar(softKeysId, kBackSoftKeyFailedText)) return false;
  SHDoneButton(window, SHDB_SHOW);
  return true;
}

}  // namespace qzr
