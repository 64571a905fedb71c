#include "HostCommandLine.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "HostModel.h"

namespace {

/// The operations that --fail can make fail, by the names it takes.
struct FailableOperation {
  const char* name;
  int32_t operation;
};
constexpr FailableOperation kFailableOperations[] = {
    {"AddMesh", kHostAddMesh},
    {"GetMeshAt", kHostGetMeshAt},
    {"AddVertex", kHostAddVertex},
    {"GetVertexAt", kHostGetVertexAt},
    {"AddTriangle", kHostAddTriangle},
    {"GetTriangleAt", kHostGetTriangleAt},
    {"ReadFile", kFailFileRead},
    {"GetFileSize", kFailFileSize},
    {"VirtualAlloc", kFailPageAllocation},
};

std::string FailableNames() {
  std::string names;
  for (const FailableOperation& each : kFailableOperations)
    names += (names.empty() ? "" : ", ") + std::string(each.name);
  return names;
}

// A number from 1 to `most`, in decimal and nothing else; 0 when it is none.
int32_t PositiveNumber(const std::string& text, int32_t most) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  errno = 0;
  const long long number = std::strtoll(text.c_str(), nullptr, 10);
  if (errno != 0 || number > most) return 0;
  return static_cast<int32_t>(number);
}

// Walks the arguments; each step consumes one option and its value, if any.
class Parser {
 public:
  Parser(const std::vector<std::string>& args, const std::vector<FileOutputOption>& fileOutputs)
      : args_(args), fileOutputs_(fileOutputs) {}

  CommandLineResult Run() {
    CommandLineResult result;
    while (next_ < args_.size() && error_.empty()) Step(result.options);
    if (error_.empty() && openSeen_ && cancelSeen_) {
      error_ = "--open and --cancel exclude each other";
    }
    if (error_.empty()) CheckRepeat(result.options);
    result.ok = error_.empty();
    result.error = error_;
    return result;
  }

 private:
  void Step(HostOptions& options) {
    const std::string option = args_[next_++];
    if (option == "--help" || option == "-h") {
      options.help = true;
    } else if (option == "--dump") {
      SetOnce(option, options.dump);
    } else if (option == "--cancel") {
      SetOnce(option, cancelSeen_);
      options.answer = UserAnswer::kCancel;
    } else if (option == "--open") {
      TakeOpenFile(option, options);
    } else if (option == "--repeat") {
      TakeCount(option, options.repeat);
    } else if (option == "--reload") {
      SetOnce(option, options.reload);
    } else if (option == "--palette") {
      SetOnce(option, options.palette);
    } else if (option == "--fail") {
      TakeFailure(option, options);
    } else if (option == "--plugin") {
      TakeValueOnce(option, options.pluginPath);
    } else if (option == "--preload") {
      TakeValueOnce(option, options.preloadPath);
    } else if (IsFileOutputOption(option)) {
      TakeFileOutput(option, options.outputs);
    } else {
      error_ = option.rfind("-", 0) == 0 ? "unknown option '" + option + "'"
                                         : "unexpected argument '" + option + "'";
    }
  }

  // Several files are answered in turn, which only repeated cycles do.
  void TakeOpenFile(const std::string& option, HostOptions& options) {
    std::string file;
    if (!TakeValue(option, file)) return;
    if (options.openFiles.empty()) options.openFile = file;
    options.openFiles.push_back(file);
    openSeen_ = true;
    options.answer = UserAnswer::kOpen;
  }

  static constexpr int32_t kMostCount = 9999999;

  void TakeCount(const std::string& option, int& count) {
    std::string text;
    if (count != 0) {
      error_ = option + " is given twice";
    } else if (TakeValue(option, text)) {
      count = PositiveNumber(text, kMostCount);
      if (count == 0) error_ = option + " needs a count from 1 to " + std::to_string(kMostCount);
    }
  }

  // What only makes sense with --repeat, and what it cannot take.
  void CheckRepeat(const HostOptions& options) {
    if (options.repeat == 0) {
      if (options.openFiles.size() > 1) error_ = "--open is given twice";
      if (options.reload) error_ = "--reload needs --repeat";
    } else if (options.answer == UserAnswer::kInteractive) {
      error_ = "--repeat needs --open or --cancel";
    } else if (!options.outputs.empty()) {
      error_ = "--repeat takes no " + options.outputs.front().option;
    } else if (options.palette) {
      // Repeated cycles check no windows, so the palette would show nothing.
      error_ = "--repeat takes no --palette";
    }
  }

  bool IsFileOutputOption(const std::string& option) const {
    return std::any_of(fileOutputs_.begin(), fileOutputs_.end(),
                       [&](const FileOutputOption& known) { return known.option == option; });
  }

  void SetOnce(const std::string& option, bool& flag) {
    if (flag) error_ = option + " is given twice";
    flag = true;
  }

  // Takes the argument after `option`; a following option is not a value.
  bool TakeValue(const std::string& option, std::string& value) {
    if (next_ >= args_.size() || args_[next_].rfind("--", 0) == 0) {
      const std::string name = ValueName(option);
      error_ = option + (name[0] == 'O' ? " needs an " : " needs a ") + name;
      return false;
    }
    value = args_[next_++];
    if (value.empty()) error_ = option + " needs a non-empty " + ValueName(option);
    return error_.empty();
  }

  void TakeValueOnce(const std::string& option, std::string& value) {
    if (!value.empty()) {
      error_ = option + " is given twice";
      return;
    }
    TakeValue(option, value);
  }

  void TakeFileOutput(const std::string& option, std::vector<FileOutputRequest>& outputs) {
    for (const FileOutputRequest& earlier : outputs) {
      if (earlier.option == option) {
        error_ = option + " is given twice";
        return;
      }
    }
    std::string path;
    if (TakeValue(option, path)) outputs.push_back({option, path});
  }

  // OPERATION:N, such as AddVertex:100.
  void TakeFailure(const std::string& option, HostOptions& options) {
    if (options.failOperation >= 0) {
      error_ = option + " is given twice";
      return;
    }
    std::string value;
    if (!TakeValue(option, value)) return;
    const size_t colon = value.find(':');
    const std::string name = value.substr(0, colon);
    const auto* known =
        std::find_if(std::begin(kFailableOperations), std::end(kFailableOperations),
                     [&](const FailableOperation& each) { return name == each.name; });
    if (known == std::end(kFailableOperations)) {
      error_ = "--fail cannot fail '" + name + "' (one of " + FailableNames() + ")";
      return;
    }
    options.failCall =
        colon == std::string::npos ? 0 : PositiveNumber(value.substr(colon + 1), INT32_MAX);
    if (options.failCall == 0)
      error_ = "--fail needs a call number of 1 or more after '" + name + ":'";
    options.failOperation = known->operation;
  }

  static std::string ValueName(const std::string& option) {
    if (option == "--repeat") return "count";
    if (option == "--fail") return "OPERATION:N";
    if (option == "--preload") return "DLL";
    return option == "--plugin" ? "PATH" : "FILE";
  }

  const std::vector<std::string>& args_;
  const std::vector<FileOutputOption>& fileOutputs_;
  size_t next_ = 0;
  bool openSeen_ = false;
  bool cancelSeen_ = false;
  std::string error_;
};

}  // namespace

CommandLineResult ParseHostCommandLine(const std::vector<std::string>& args,
                                       const std::vector<FileOutputOption>& fileOutputs) {
  return Parser(args, fileOutputs).Run();
}

std::string HostUsage(const std::vector<FileOutputOption>& fileOutputs) {
  std::string usage =
      "usage: modelhost [--plugin PATH] [--preload DLL] [--open FILE | --cancel]\n"
      "                 [--palette] [--fail OPERATION:N] [--dump]";
  for (const FileOutputOption& output : fileOutputs) usage += " [" + output.option + " FILE]";
  usage +=
      "\n"
      "       modelhost --repeat N [--reload] [--plugin PATH] [--preload DLL]\n"
      "                 (--open FILE... | --cancel) [--fail OPERATION:N] [--dump]\n"
      "  --plugin PATH  the plug-in library to load (default: the Kelvado library\n"
      "                 next to this program)\n"
      "  --preload DLL  load DLL first and keep it loaded, as another module of the\n"
      "                 host's process would be\n"
      "  --open FILE    answer the plug-in's file dialog with FILE\n"
      "  --cancel       cancel the plug-in's file dialog\n"
      "                 (without either, you answer the dialog yourself)\n"
      "  --fail OPERATION:N\n"
      "                 the host refuses the N-th call of OPERATION, as a host at its\n"
      "                 limits would: AddMesh, AddVertex or AddTriangle return -1,\n"
      "                 GetMeshAt, GetVertexAt or GetTriangleAt return null;\n"
      "                 ReadFile: the plug-in's N-th file read fails, as on a failing\n"
      "                 medium; GetFileSize: its N-th file size query fails;\n"
      "                 VirtualAlloc: its N-th page allocation fails, as when memory\n"
      "                 runs out\n"
      "  --dump         print the exact dump instead of the summary\n"
      "  --palette      also show a tool palette owned by the host's window and run\n"
      "                 the import from it (the host's window shows, as without\n"
      "                 --open and --cancel)\n"
      "  --repeat N     run N cycles of create object, GetType, GetTitle, Execute on a\n"
      "                 new host model, destroy object; --open may then be given more\n"
      "                 than once, the files answering the cycles in turn. Prints each\n"
      "                 file's first cycle and the growth of private memory, handles\n"
      "                 and TLS slots after 10 warm-up cycles; fails when a cycle's\n"
      "                 account differs from the first one with the same file;\n"
      "                 --fail is armed anew for every cycle\n"
      "  --reload       with --repeat: also load and unload the plug-in library each cycle\n";
  for (const FileOutputOption& output : fileOutputs) {
    const size_t width = output.option.size() + 5;
    usage += "  " + output.option + " FILE" + std::string(width < 15 ? 15 - width : 1, ' ') +
             output.description + "\n";
  }
  usage +=
      "Exit status: 0 import completed, 1 import failed or cancelled, 2 usage error or\n"
      "a plug-in library that cannot be loaded. With --repeat: 0 every cycle alike its\n"
      "file's first, 1 a cycle that differs.\n";
  return usage;
}
