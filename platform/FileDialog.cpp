// A terminal file chooser: it shows the dialog's title and proposes the
// file in the buffer. Enter accepts the proposal, a typed path replaces it,
// and the end of input cancels. Like Windows' dialog, it hands back a full
// path and moves the current folder to the chosen file's folder.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "ChosenFile.h"
#include "ModalStandIn.h"
#include "UserScriptHooks.h"
#include "Win32Api.h"

namespace {

// One line from stdin without its line end; nothing at the end of input.
std::optional<std::string> ReadLine() {
  std::string line;
  int c = std::getchar();
  if (c == EOF) return std::nullopt;
  for (; c != '\n' && c != EOF; c = std::getchar()) line.push_back(static_cast<char>(c));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// A typed name without an extension gets the default one, as the real
// dialog gives it.
std::string WithDefaultExtension(std::string path, LPCSTR extension) {
  if (extension == nullptr || extension[0] == 0) return path;
  const size_t slash = path.find_last_of("\\/");
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    path += std::string(".") + extension;
  }
  return path;
}

std::optional<std::string> AskForPath(const OPENFILENAMEA& request, const std::string& proposed) {
  std::fprintf(stderr, "%s\n", request.lpstrTitle != nullptr ? request.lpstrTitle : "Open");
  for (;;) {
    std::fprintf(stderr, "File [%s]: ", proposed.c_str());
    std::fflush(stderr);
    const std::optional<std::string> line = ReadLine();
    if (!line) return std::nullopt;
    if (!line->empty()) return WithDefaultExtension(*line, request.lpstrDefExt);
    if (!proposed.empty()) return proposed;
  }
}

BOOL WINAPI TerminalOpenFileName(LPOPENFILENAMEA request) {
  if (request == nullptr || request->lpstrFile == nullptr || request->nMaxFile == 0) return FALSE;
  const std::string proposed(request->lpstrFile, strnlen(request->lpstrFile, request->nMaxFile));
  const std::optional<std::string> answer = AskForPath(*request, proposed);
  if (!answer) {
    std::fprintf(stderr, "\n(cancelled)\n");
    return FALSE;
  }
  // As the real dialog: a full path, and the current folder moved to it.
  const std::string path = TakeAsChosenFile(*answer);
  if (path.size() + 1 > request->nMaxFile) {
    std::fprintf(stderr, "The path is longer than %u characters.\n",
                 static_cast<unsigned>(request->nMaxFile - 1));
    return FALSE;
  }
  std::memcpy(request->lpstrFile, path.c_str(), path.size() + 1);
  return TRUE;
}

// The terminal chooser as a window of its own, modal for its owner.
BOOL WINAPI ModalTerminalOpenFileName(LPOPENFILENAMEA request) {
  if (request == nullptr) return FALSE;
  const ModalStandIn dialog(request->hwndOwner, request->lpstrTitle);
  return TerminalOpenFileName(request);
}

}  // namespace

extern "C" BOOL GetOpenFileNameA(LPOPENFILENAMEA request) {
  if (UserScript_IsOn()) return UserScript_ShowOpenFileName(request, ModalTerminalOpenFileName);
  return ModalTerminalOpenFileName(request);
}
