#include "ImportRun.h"

#include "HostModel.h"
#include "HostReadBack.h"
#include "UserScript.h"

namespace {

bool ScriptUser(HMODULE module, UserAnswer answer, const std::string& openFile,
                std::string& error) {
  UserScript_Reset();
  if (!UserScript_Attach(module)) {
    error = "cannot watch the plug-in library's dialogs and message boxes";
    return false;
  }
  // A person answering sees every box and dialog for real; the script still
  // records each box first.
  UserScript_SetPassThrough(answer == UserAnswer::kInteractive);
  if (answer == UserAnswer::kOpen) UserScript_AnswerFileDialog(openFile);
  if (answer == UserAnswer::kCancel) UserScript_CancelFileDialog();
  return true;
}

// Before the plug-in makes its first call, and after the script was reset,
// which forgets a pending read failure.
void ArmFailure(const HostOptions& options) {
  if (options.failOperation == kFailFileRead) {
    UserScript_FailRead(static_cast<unsigned>(options.failCall));
  } else if (options.failOperation == kFailFileSize) {
    UserScript_FailCall(UserScriptCall::kGetFileSize, static_cast<unsigned>(options.failCall));
  } else if (options.failOperation == kFailPageAllocation) {
    UserScript_FailCall(UserScriptCall::kVirtualAlloc, static_cast<unsigned>(options.failCall));
  } else if (options.failOperation >= 0) {
    hostmodel_FailCall(options.failOperation, options.failCall);
  }
}

// The boxes recorded from position `first` on.
std::vector<MessageBoxRecord> BoxesSince(size_t first) {
  std::vector<MessageBoxRecord> boxes;
  const std::vector<UserScriptBox>& shown = UserScript_Boxes();
  for (size_t i = first; i < shown.size(); ++i) {
    boxes.push_back({shown[i].caption, shown[i].text, static_cast<unsigned>(shown[i].style)});
  }
  return boxes;
}

// Executes on a fresh host model and gathers what the plug-in left in it.
void ExecuteOnNewModel(LoadedPlugIn& plugIn, ImportRecord& record, bool keepCalls) {
  msModel* model = hostmodel_Create();
  const size_t boxesBefore = UserScript_Boxes().size();
  record.result = plugIn.Execute(model);
  record.executeBoxes = BoxesSince(boxesBefore);
  record.meshes = ReadHostModel(model);
  record.hostFaults = hostmodel::CheckedFaults(model);
  if (keepCalls) record.hostCalls = hostmodel::CallTexts(model);
  hostmodel_Destroy(model);
}

}  // namespace

bool RunImport(LoadedPlugIn& plugIn, const HostOptions& options, const std::string& openFile,
               ImportRecord& record, std::string& error, bool keepCalls) {
  if (!ScriptUser(plugIn.Module(), options.answer, openFile, error)) return false;
  ArmFailure(options);
  const bool created = plugIn.CreateObject();
  record.creationBoxes = BoxesSince(0);
  if (!created) {
    error = "CreatePlugIn gave no plug-in object";
    return false;
  }
  record.type = plugIn.GetType();
  const char* title = plugIn.GetTitle();
  record.title = title != nullptr ? title : "";
  ExecuteOnNewModel(plugIn, record, keepCalls);
  plugIn.DestroyObject();
  return true;
}
