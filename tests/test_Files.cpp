// The Linux stand-ins of the file calls fail where Windows fails, with an
// error: a stand-in that accepted a misuse would hide it from every native
// test. On Windows the real calls are used, and there is nothing of ours to
// test here.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <cerrno>
#include <string>

#include "Win32Api.h"

namespace {

// A handle that was closed, as a caller that kept one too long holds it.
TEST(FileStandIns, ClosedHandleFailsEveryCallWithAnError) {
  HANDLE file = CreateFileA(KELVADO_DATA_DIR "/triangle.3do", GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
