// Input/output faults for tests (IOFaults.c): reads, writes, syncs, truncations and closes of
// the files whose paths hold a text fail with an error number, or go short, as a failing disk
// makes them.
// Only the test binaries that link the library (qviofaults) have it.
//
//   qvtest::IOFaults faults;
//   faults.Watch(folder);                                   // streams opened there can fail
//   ... open the files ...
//   faults.Fail(folder, QV_FAULT_READ, /*skip=*/3);         // every read from the 4th: EIO
//   faults.Fail(path, QV_FAULT_WRITE, 0, 2, EIO, 4096);     // 4,096 bytes land, then EIO
//
// A stdio stream can fail only when it was opened while a rule (a watch at least) named its
// file: see IOFaults.c. The rules go with the object.
#pragma once

#define QV_FAULT_READ 1u
#define QV_FAULT_WRITE 2u
#define QV_FAULT_SYNC 4u
#define QV_FAULT_TRUNCATE 8u
#define QV_FAULT_CLOSE 16u  // the descriptor goes all the same, as the kernel's close lets it

#ifdef __cplusplus
extern "C" {
#endif
// A rule: of the calls of ops on a path holding pattern, the first skip go through, the next
// times (every one for -1) fail with error; with shortBytes, the first of those moves that many
// bytes instead (half of its bytes at most). The rule's number, or -1 when no more fit.
int qv_io_fault_add(const char* pattern, unsigned ops, int skip, int times, int error,
                    int shortBytes);
void qv_io_fault_clear(void);
// How many calls the rule failed (or cut short).
int qv_io_fault_fired(int rule);
#ifdef __cplusplus
}

#include <cerrno>
#include <string>

namespace qvtest {

class IOFaults {
 public:
  IOFaults() = default;
  ~IOFaults() { qv_io_fault_clear(); }
  IOFaults(const IOFaults&) = delete;
  IOFaults& operator=(const IOFaults&) = delete;

  int Fail(const std::string& pattern, unsigned ops, int skip = 0, int times = -1,
           int error = EIO, int shortBytes = 0) {
    return qv_io_fault_add(pattern.c_str(), ops, skip, times, error, shortBytes);
  }
  // Streams opened on such a path from now on can be failed later.
  int Watch(const std::string& pattern) { return Fail(pattern, 0, 0, 0); }
  int Fired(int rule) const { return qv_io_fault_fired(rule); }
  void Clear() { qv_io_fault_clear(); }
};

}  // namespace qvtest
#endif
