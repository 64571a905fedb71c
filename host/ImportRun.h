// One run of a plug-in as a host makes it, with the user scripted or
// answering for real, and everything observed gathered into an ImportRecord.
#pragma once

#include <string>

#include "HostCommandLine.h"
#include "ImportRecord.h"
#include "PlugInLoader.h"
#include "msLib.h"

/// Puts the plug-in's dialogs and message boxes under watch, answers the
/// file dialog as `options.answer` says (with `openFile` for
/// UserAnswer::kOpen), arms the failure that `options` asks for, then
/// creates the object, asks its type and title, makes an empty host model,
/// calls Execute, reads the model back with its faults and destroys the
/// object. With `keepCalls`, the record also gets every host call the
/// plug-in made. Returns false with `error` naming the problem when the
/// boxes cannot be watched or CreatePlugIn gives no object.
bool RunImport(LoadedPlugIn& plugIn, const HostOptions& options, const std::string& openFile,
               ImportRecord& record, std::string& error, bool keepCalls = false);
