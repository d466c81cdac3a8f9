// Command ids of the menu items, toolbar buttons and keys. Each QAction keeps
// its id as data, so tests and the enabling rules can name commands as the
// command table does.
#pragma once

enum CommandId : int {
  ID_FILE_NEW = 57600,
  ID_FILE_OPEN = 57601,
  ID_FILE_SAVE = 57603,
  ID_FILE_SAVE_AS = 57604,
  ID_EDIT_COPY = 57634,
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
  ID_HELP_FINDER = 57667,
  ID_CONTEXT_HELP = 57669,
  ID_HELP = 57670,
  ID_VIEW_TOOLBAR = 59392,
  ID_VIEW_STATUS_BAR = 59393,
  ID_TOOL_START = 32792,
  ID_TOOL_STOP = 32793,
  ID_DRAW_MESH = 32794,
  ID_DRAW_CONTOUR = 32795,
  ID_CALC_START = 32796,
  ID_CALC_STOP = 32797,
  ID_PARAM_SET = 32798,
  ID_VIEW_PARAMBAR = 32799,
  ID_SAVE_IMAGE = 32803,
  ID_EXPORT_MESH = 32821,
  ID_ROTATE_LEFT = 32811,
  ID_ROTATE_UP = 32812,
  ID_ROTATE_DOWN = 32813,
  ID_ROTATE_RIGHT = 32814,
  ID_VIEW_FIT = 32830,
  ID_VIEW_AXES = 32831,
  ID_VIEW_COLOUR = 32832,
  ID_VIEW_EXTREMES = 32833,
  ID_VIEW_FOLLOW_TYPING = 32834,
  // The colour maps, in kColourMaps' order.
  ID_COLOUR_MAP_FIRST = 32840,
  IDC_FORMULA = 1063,
};

constexpr int kRecentFileCount = 4;
