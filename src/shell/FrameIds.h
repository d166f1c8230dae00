#pragma once

#include <wx/defs.h>

// Command identifiers of the main window's menus, tools and editor controls. Two widgets that
// share a number trigger the same action.
namespace FrameId {

enum : int {
  runGroup = 0,
  // The notification-area icon's menu; its other item is exitProgram.
  endSequence = 3,
  helpContents = 1,
  helpIndex = 2,
  addGroup = 4,
  duplicateGroup = 5,
  deleteGroup = 6,
  renameGroup = 7,
  exportGroup = 8,
  importGroup = 9,
  addCommand = 10,
  duplicateCommand = 11,
  deleteCommand = 12,
  renameCommand = 13,
  popupHelp = 15,
  checkVersion = 17,
  tellFriend = 22,
  webSite = 24,
  insertSpecialFirst = 25,
  insertSpecialLast = 109,

  toolAddGroup = 3000,
  toolDeleteGroup = 3001,
  toolAddCommand = 3002,
  toolDeleteCommand = 3003,
  toolRunGroup = 3004,

  disableCommand = 3005,
  runCount = 3006,
  setInterval = 3007,
  randomInterval = 3008,
  fixedInterval = 3009,
  randomBound = 3010,
  commandText = 3011,
  startTime = 3012,
  startTimeCtrl = 3013,
  startDelay = 3014,
  startDelayCtrl = 3015,
  stopTime = 3016,
  stopTimeCtrl = 3017,
  stopDelay = 3018,
  stopDelayCtrl = 3019,
  repeatCount = 3020,
  repeatCountSpin = 3021,
  dontStop = 3022,
  finalText = 3023,
  finishCommands = 3024,
  insertSpecial = 3025,
  // Beside "Insert Special"; "Record" is in the Command menu too.
  recordInput = 3040,
  pickPoint = 3041,

  // The toolkit's stock ids, outside every range above.
  exitProgram = wxID_EXIT,
  about = wxID_ABOUT,
};

}  // namespace FrameId
