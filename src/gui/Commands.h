// The command table: for each command its menu text, status-bar prompt, tool
// tip, key and toolbar image. Where the commands go and when they are enabled
// is the main frame's business.
#pragma once

#include <span>

struct CommandInfo {
  int id;
  const char* text;    // menu item text, with its & mnemonic
  const char* prompt;  // pane 0 while the item or button is highlighted ("" = none)
  const char* tip;     // tool tip
  const char* key;     // key sequence in Qt's portable text form ("" = none)
  const char* icon;    // toolbar image resource ("" = none)
};

std::span<const CommandInfo> CommandTable();
// The row of id; a fault of the program when there is none.
const CommandInfo& FindCommand(int id);
