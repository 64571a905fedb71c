#include "RepeatRun.h"

#include <memory>
#include <sstream>
#include <vector>

#include "DumpWriter.h"
#include "HostModel.h"
#include "ImportRun.h"
#include "PlugInLoader.h"
#include "ProcessMemory.h"
#include "SummaryWriter.h"
#include "TextFormat.h"

// Whether this program runs under AddressSanitizer, which keeps freed blocks
// in a quarantine and holds shadow memory of its own.
#if defined(__SANITIZE_ADDRESS__)
#define KELVADO_UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KELVADO_UNDER_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

#ifdef KELVADO_UNDER_ADDRESS_SANITIZER
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

// The first cycles fill the heap's and the libraries' first-use caches; the
// growth that a host sees over a long session is what comes after them.
constexpr int kWarmUpCycles = 10;

/// The first cycle of one file: its account, and the key later ones match.
struct FirstCycle {
  int cycle = 0;  // 1-based; 0 while the file has not been run
  int count = 0;  // the cycles run with the file
  ImportRecord record;
  std::string key;
};

// Everything a cycle's account holds, the host library's faults included.
std::string AccountKey(const ImportRecord& record) {
  std::ostringstream text;
  WriteDump(record, text);
  for (const std::string& fault : record.hostFaults) text << "fault " << fault << '\n';
  return text.str();
}

// One cycle on a library that stays loaded, or, without one, on the
// library loaded for this cycle alone.
bool RunCycle(const HostOptions& options, const std::string& pluginPath, LoadedPlugIn* kept,
              const std::string& file, ImportRecord& record, std::string& error) {
  std::unique_ptr<LoadedPlugIn> own;
  if (kept == nullptr) {
    own = LoadedPlugIn::Load(pluginPath, error);
    if (!own) return false;
    kept = own.get();
  }
  // The same failure in every cycle, so that the cycles stay alike.
  return RunImport(*kept, options, file, record, error);
}

std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::istringstream a(expected), b(actual);
  std::string lineA, lineB;
  for (int line = 1;; ++line) {
    const bool moreA = static_cast<bool>(std::getline(a, lineA));
    const bool moreB = static_cast<bool>(std::getline(b, lineB));
    if (!moreA && !moreB) return "no difference";
    if (!moreA || !moreB || lineA != lineB) {
      return "line " + std::to_string(line) + " '" + (moreB ? lineB : "(end)") + "' instead of '" +
             (moreA ? lineA : "(end)") + "'";
    }
  }
}

std::string FileLabel(const HostOptions& options, size_t slot) {
  if (options.answer == UserAnswer::kCancel) return "the cancelled dialog";
  return "file " + std::to_string(slot + 1) + " '" + options.openFiles[slot] + "'";
}

std::string Signed(int64_t value) {
  std::ostringstream text;
  text << std::showpos << value;
  return text.str();
}

void WriteGrowth(const ProcessResources& before, const ProcessResources& after, int cycles,
                 std::ostream& out) {
  const ProcessResourceSources sources = DescribeProcessResources();
  const int64_t bytes = after.privateBytes - before.privateBytes;
  out << "measured over the " << cycles << " cycles after " << kWarmUpCycles
      << " warm-up cycles:\n";
  out << "private memory: " << Signed(bytes) << " bytes, " << Signed(bytes / cycles)
      << " bytes a cycle (" << sources.privateBytes << ")\n";
  // Its quarantine alone grows by hundreds of kilobytes a cycle; a reader
  // must not take that for a leak of the plug-in.
  if (kUnderAddressSanitizer) {
    out << "  (a sanitizer build: these figures include what AddressSanitizer holds itself,\n"
           "  freed blocks in its quarantine among it; a build without sanitizers, such as\n"
           "  the bench or a Windows tree, measures the plug-in alone)\n";
  }
  out << "handles: " << Signed(after.handles - before.handles) << " (" << sources.handles << ")\n";
  out << "free TLS slots: " << before.freeTlsSlots << " before, " << after.freeTlsSlots
      << " after (" << sources.freeTlsSlots << ")\n";
}

void WriteFirstCycles(const HostOptions& options, const std::vector<FirstCycle>& firsts,
                      std::ostream& out) {
  for (size_t slot = 0; slot < firsts.size(); ++slot) {
    const FirstCycle& first = firsts[slot];
    if (first.cycle == 0) continue;
    out << FileLabel(options, slot) << ": " << Counted(first.count, "cycle", "cycles")
        << (first.count == 1 ? "; cycle " : ", all alike; cycle ") << first.cycle << ":\n";
    if (options.dump) {
      out << first.key;
    } else {
      WriteSummary(first.record, out);
    }
  }
}

// Matches a cycle's account with its file's first, or makes it the first.
bool MatchFirst(FirstCycle& first, int cycle, ImportRecord& record, std::string& error) {
  std::string key = AccountKey(record);
  ++first.count;
  if (first.cycle == 0) {
    first = FirstCycle{cycle, 1, std::move(record), std::move(key)};
    return true;
  }
  if (key == first.key) return true;
  error =
      "differs from cycle " + std::to_string(first.cycle) + ": " + FirstDifference(first.key, key);
  return false;
}

}  // namespace

RepeatOutcome RunRepeatedImports(const HostOptions& options, const std::string& pluginPath,
                                 std::ostream& out, std::string& error) {
  std::unique_ptr<LoadedPlugIn> kept;
  if (!options.reload && !(kept = LoadedPlugIn::Load(pluginPath, error))) {
    return RepeatOutcome::kTrouble;
  }
  const size_t slots = options.answer == UserAnswer::kCancel ? 1 : options.openFiles.size();
  std::vector<FirstCycle> firsts(slots);
  ProcessResources before;
  for (int cycle = 1; cycle <= options.repeat; ++cycle) {
    if (cycle == kWarmUpCycles + 1) before = SampleProcessResources();
    const size_t slot = static_cast<size_t>(cycle - 1) % slots;
    const std::string file = options.answer == UserAnswer::kOpen ? options.openFiles[slot] : "";
    ImportRecord record;
    if (!RunCycle(options, pluginPath, kept.get(), file, record, error)) {
      return RepeatOutcome::kTrouble;
    }
    if (!MatchFirst(firsts[slot], cycle, record, error)) {
      error = "cycle " + std::to_string(cycle) + " with " + FileLabel(options, slot) + " " + error;
      return RepeatOutcome::kDiffered;
    }
  }
  // Private memory before the other readings, which use some of their own.
  const int64_t privateAfter = ReadPrivateBytes();
  ProcessResources after = SampleProcessResources();
  after.privateBytes = privateAfter;
  out << "repeat: " << Counted(static_cast<size_t>(options.repeat), "cycle", "cycles")
      << ", the plug-in library "
      << (options.reload ? "loaded and unloaded every cycle" : "loaded once") << '\n';
  WriteFirstCycles(options, firsts, out);
  if (options.repeat > kWarmUpCycles) {
    WriteGrowth(before, after, options.repeat - kWarmUpCycles, out);
  } else {
    out << "growth not measured: the first " << kWarmUpCycles << " cycles warm up\n";
  }
  return RepeatOutcome::kAlike;
}
