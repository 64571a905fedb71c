// The Linux stand-ins of the page calls refuse what Windows refuses: a stand-in that accepted a
// misuse would hide it from every native test, and it would first show on a user's Windows. On
// Windows the real calls are used, and there is nothing of ours to test here.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <string>

#include "Win32Api.h"

namespace {

constexpr DWORD kReserveAndCommit = MEM_RESERVE | MEM_COMMIT;

TEST(PageStandIns, RefuseWhatTheSystemDoesNotAskFor) {
  const struct {
    const char* what;
    LPVOID address;
    SIZE_T size;
    DWORD type;
    DWORD protect;
  } cases[] = {
      {"at a chosen address", reinterpret_cast<LPVOID>(0x10000), 4096, kReserveAndCommit,
       PAGE_READWRITE},
      {"of no bytes", nullptr, 0, kReserveAndCommit, PAGE_READWRITE},
      {"reserved only", nullptr, 4096, MEM_RESERVE, PAGE_READWRITE},
      {"not writable", nullptr, 4096, kReserveAndCommit, 0x02 /* PAGE_READONLY */},
  };
  for (const auto& c : cases)
    EXPECT_EQ(VirtualAlloc(c.address, c.size, c.type, c.protect), nullptr) << c.what;
}

// More than the address space holds: the system's failure is null, never the
// POSIX failure value, which a caller would take for memory.
TEST(PageStandIns, AllocationBeyondTheAddressSpaceGivesNull) {
  EXPECT_EQ(VirtualAlloc(nullptr, SIZE_T{1} << 62, kReserveAndCommit, PAGE_READWRITE), nullptr);
}

TEST(PageStandIns, ReleaseOnlyAWholeAllocationOnce) {
  LPVOID pages = VirtualAlloc(nullptr, 8192, kReserveAndCommit, PAGE_READWRITE);
  ASSERT_NE(pages, nullptr);
  int local = 0;
  EXPECT_FALSE(VirtualFree(pages, 4096, MEM_RELEASE)) << "a size with MEM_RELEASE";
  EXPECT_FALSE(VirtualFree(pages, 0, 0x00010000 /* neither decommit nor release */));
  EXPECT_FALSE(VirtualFree(&local, 0, MEM_RELEASE)) << "not an allocation";
  EXPECT_FALSE(VirtualFree(static_cast<char*>(pages) + 4096, 0, MEM_RELEASE)) << "inside one";
  EXPECT_TRUE(VirtualFree(pages, 4096, MEM_DECOMMIT));
  EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
  EXPECT_FALSE(VirtualFree(pages, 0, MEM_RELEASE)) << "released twice";
  EXPECT_FALSE(VirtualFree(pages, 4096, MEM_DECOMMIT)) << "decommitted after its release";
}

}  // namespace
#endif
