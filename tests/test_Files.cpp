// The Linux stand-ins of the file calls fail where Windows fails, with an
// error: a stand-in that accepted a misuse would hide it from every native
// test. On Windows the real calls are used, and there is nothing of ours to
// test here.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FileHandles.h"
#include "Win32Api.h"

// ---- Scripted system calls, for the whole test program ---------------------
// The stand-ins reach read and fstat through the dynamic linker, which finds
// these definitions of the program first. A test scripts what the calls on
// one descriptor give; every other call, and every call once the script is
// used up, goes to the next definition (the C library's, or the sanitizers'
// in front of it).
namespace scriptedcalls {

/// One scripted read: at most `bytes` bytes of the file, or, with an
/// `error`, a failure with that errno and nothing read.
struct ReadStep {
  size_t bytes;
  int error;
};

int g_descriptor = -1;  // the descriptor scripted; -1: none
std::deque<ReadStep> g_reads;
int g_fstatError = 0;  // the errno of the next fstat on any descriptor; 0: none

template <class Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

/// Scripts the reads of `descriptor` and ends the script when it goes.
class Script {
 public:
  Script(int descriptor, std::deque<ReadStep> reads) {
    g_descriptor = descriptor;
    g_reads = std::move(reads);
  }
  ~Script() {
    g_descriptor = -1;
    g_reads.clear();
  }
  Script(const Script&) = delete;
  Script& operator=(const Script&) = delete;
};

}  // namespace scriptedcalls

extern "C" ssize_t read(int descriptor, void* buffer, size_t size) {
  using namespace scriptedcalls;
  static const auto next = Next<ssize_t (*)(int, void*, size_t)>("read");
  if (descriptor != g_descriptor || g_reads.empty()) return next(descriptor, buffer, size);
  const ReadStep step = g_reads.front();
  g_reads.pop_front();
  if (step.error != 0) {
    errno = step.error;
    return -1;
  }
  return next(descriptor, buffer, std::min(size, step.bytes));
}

extern "C" int fstat(int descriptor, struct stat* info) noexcept {
  using namespace scriptedcalls;
  static const auto next = Next<int (*)(int, struct stat*)>("fstat");
  if (g_fstatError == 0) return next(descriptor, info);
  errno = g_fstatError;
  g_fstatError = 0;
  return -1;
}

namespace {

constexpr char kTriangle[] = KELVADO_DATA_DIR "/triangle.3do";

HANDLE OpenForReading(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string ContentsOf(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

size_t OpenDescriptorCount() {
  const auto entries = std::filesystem::directory_iterator("/proc/self/fd");
  return static_cast<size_t>(std::distance(entries, std::filesystem::directory_iterator()));
}

// A handle that was closed, as a caller that kept one too long holds it.
TEST(FileStandIns, ClosedHandleFailsEveryCallWithAnError) {
  HANDLE file = OpenForReading(kTriangle);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(CloseHandle(file));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(EBADF));
  DWORD high = 7;
  SetLastError(0);
  EXPECT_EQ(GetFileSize(file, &high), INVALID_FILE_SIZE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(EBADF));
  SetLastError(0);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(EBADF));
  char buffer[8];
  DWORD read = 99;
  SetLastError(0);
  EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(EBADF));
}

// Windows takes a null for the high half of the size, and then gives only
// the low half.
TEST(FileStandIns, SizeWithoutHighHalf) {
  HANDLE file = OpenForReading(kTriangle);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), ContentsOf(kTriangle).size());
  EXPECT_TRUE(CloseHandle(file));
}

// One ReadFile call delivers the whole file, as on a Windows disk file,
// whatever pieces the descriptor gives it: a signal that interrupts a read
// is no failure, and a medium that fails halfway reports what was read and
// why it stopped.
TEST(FileStandIns, ReadFileContinuesShortAndInterruptedReads) {
  using scriptedcalls::ReadStep;
  const struct {
    const char* what;
    std::deque<ReadStep> reads;
    BOOL result;
    size_t bytes;  // SIZE_MAX: the whole file
    DWORD error;   // the last error after a failure
  } cases[] = {
      {"interrupted at once", {{0, EINTR}}, TRUE, SIZE_MAX, 0},
      {"interrupted between pieces", {{3, 0}, {0, EINTR}, {0, EINTR}, {2, 0}}, TRUE, SIZE_MAX, 0},
      {"in small pieces", {{1, 0}, {4, 0}, {1, 0}, {9, 0}}, TRUE, SIZE_MAX, 0},
      {"failing at once", {{0, EIO}}, FALSE, 0, EIO},
      {"failing after pieces", {{5, 0}, {0, EINTR}, {2, 0}, {0, EIO}}, FALSE, 7, EIO},
  };
  const std::string contents = ContentsOf(kTriangle);
  ASSERT_GT(contents.size(), 7u);
  for (const auto& c : cases) {
    HANDLE file = OpenForReading(kTriangle);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << c.what;
    std::vector<char> buffer(contents.size() + 16);
    DWORD read = 99;
    SetLastError(0);
    BOOL result;
    {
      const scriptedcalls::Script script(DescriptorOf(file), c.reads);
      result = ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr);
    }
    const size_t bytes = c.bytes == SIZE_MAX ? contents.size() : c.bytes;
    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_EQ(read, bytes) << c.what;
    EXPECT_EQ(std::string(buffer.data(), read), contents.substr(0, read)) << c.what;
    if (!c.result) {
      EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    EXPECT_TRUE(CloseHandle(file)) << c.what;
  }
}

// A file that cannot be examined is not opened, and its descriptor does not
// stay open behind the failure.
TEST(FileStandIns, OpenFailsWithTheErrorAndKeepsNoDescriptor) {
  const size_t before = OpenDescriptorCount();
  scriptedcalls::g_fstatError = EIO;
  SetLastError(0);
  EXPECT_EQ(OpenForReading(kTriangle), INVALID_HANDLE_VALUE);
  scriptedcalls::g_fstatError = 0;
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(EIO));
  EXPECT_EQ(OpenDescriptorCount(), before);
}

// The caller's buffer gets the whole path and its NUL or nothing; the
// result is the length without the NUL, or the size needed with it.
TEST(FileStandIns, FullPathFitsTheBufferOrAsksForMore) {
  const std::string cwd = std::filesystem::current_path().string();
  const struct {
    const char* name;
    std::string path;
  } names[] = {{"/tmp/a.3do", "/tmp/a.3do"}, {"models/ship.3do", cwd + "/models/ship.3do"}};
  for (const auto& n : names) {
    const DWORD length = static_cast<DWORD>(n.path.size());
    for (const DWORD size : {length - 1, length, length + 1, length + 2}) {
      // Exactly `size` bytes on the heap: a byte too many written shows
      // under the sanitizers.
      std::vector<char> buffer(size, 'x');
      const DWORD result = GetFullPathNameA(n.name, size, buffer.data(), nullptr);
      if (size > length) {
        EXPECT_EQ(result, length) << n.name << " into " << size;
        EXPECT_STREQ(buffer.data(), n.path.c_str()) << n.name << " into " << size;
      } else {
        EXPECT_EQ(result, length + 1) << n.name << " into " << size;
        EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(size, 'x')) << n.name;
      }
    }
  }
}

// Goes into a new folder, then removes it, and goes back when it goes.
class InRemovedFolder {
 public:
  InRemovedFolder() : saved_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kelvado_removed_" + std::to_string(getpid()));
    std::filesystem::create_directory(folder);
    entered_ = chdir(folder.c_str()) == 0;
    std::filesystem::remove(folder);
  }
  ~InRemovedFolder() {
    if (fchdir(saved_) != 0) std::abort();  // every later test would run elsewhere
    close(saved_);
  }
  InRemovedFolder(const InRemovedFolder&) = delete;
  InRemovedFolder& operator=(const InRemovedFolder&) = delete;

  bool entered() const { return saved_ >= 0 && entered_; }

 private:
  int saved_;
  bool entered_ = false;
};

// A relative name has no full path when the current folder has none; the
// caller then gets a failure with the reason, and its buffer stays as it was.
TEST(FileStandIns, FullPathFailsWithoutACurrentFolder) {
  char buffer[64] = "unchanged";
  DWORD result;
  {
    const InRemovedFolder removed;
    ASSERT_TRUE(removed.entered());
    SetLastError(0);
    result = GetFullPathNameA("ship.3do", sizeof buffer, buffer, nullptr);
  }
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ENOENT));
  EXPECT_STREQ(buffer, "unchanged");
}

// Too small a buffer gives nothing, as on Windows: 0 for the system's text,
// the size needed for a path.
TEST(FileStandIns, ShortBuffersGetNothing) {
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ENOENT, 0, buffer, 0, nullptr), 0u);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ENOENT, 0, buffer, sizeof buffer,
                           nullptr),
            0u);
  EXPECT_EQ(GetFullPathNameA("/tmp/a.3do", sizeof buffer, buffer, nullptr), 11u);
  EXPECT_EQ(std::string(buffer, sizeof buffer), "xxxx");
}

}  // namespace
#endif
