// What the window says when a run or an export comes to nothing: one place
// for the mapping from the problems core and render report to the texts.
#pragma once

#include <QString>
#include <string>

#include "core/MeshExport.h"
#include "core/ShareData.h"

// Pane 0 after a run: the finished message, or why there is no picture.
QString RunEndText(RunProblem problem);
// The message for an export that wrote nothing: noGrid when the grid could
// not be had (mesh count or memory), else the result's problem; path is the
// file's local name for a failed write.
QString ExportProblemText(const MeshExportResult& result, bool noGrid, const std::string& path);
