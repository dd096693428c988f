// Limits for a child made by RunInChild that is about to meet them on purpose: an address-space
// cap, so that allocations past it fail as on a full machine and the machine keeps its memory;
// an unprivileged user, so that permissions refuse as they do for everyone but root. Neither
// can be undone in the child.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace qvtest {

// Caps this process's address space at what it maps now plus room bytes: with RLIMIT_AS (soft
// and hard) where the kernel runs it; under an emulator, which ignores that limit, by reserving
// all the free address space but room bytes in one piece. False when the cap could not be set.
bool LimitAddressSpace(size_t room);

// The address space this process takes in kilobytes: its VmSize, or under an emulator (whose
// VmSize is the emulator's own) what cannot be reserved of the 4 GB.
long AddressSpaceInUseKb();

// A command that runs argv[0], an i386 program named by its path, with its address space capped
// at bytes (its own argv[0] the file to run): through prlimit where the kernel runs it, with the emulator's own bound (QEMU_RESERVED_VA, added to
// *environment) where an emulator does, as an address-space limit would keep the emulator
// itself from starting.
std::vector<std::string> CapAddressSpace(size_t bytes, const std::vector<std::string>& argv,
                                         std::vector<std::string>* environment);

// What the address sanitizer keeps mapped of freed blocks to catch their later use (its
// quarantine: quarantine_size_mb in support/asan.options), which a cap counts: room to add for a
// test that frees large blocks and then makes others it expects to have.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kFreedBlocksKeptMapped = size_t{256} << 20;
#else
constexpr size_t kFreedBlocksKeptMapped = 0;
#endif

// Runs body in a child (RunInChild) that takes the framework's out-of-memory exit, as the
// framework's own process does, with its address space capped at room bytes more than it maps:
// true when body ran to its end without a failed expectation.
bool RunsWithinMemory(size_t room, const std::function<void()>& body);

// Runs body in a child (RunInChild) as uid and gid 65534 when the tests run as root (a user
// other than root is unprivileged already) and answers the child's wait status; or
// kNoUnprivilegedUser when the switch was refused, which the caller skips on.
int RunUnprivileged(const std::function<void()>& body);
constexpr int kNoUnprivilegedUser = -2;

}  // namespace qvtest
