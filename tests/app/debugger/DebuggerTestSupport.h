// What the debugger tests share: the bytes of a string, and a receiver of the link that logs
// what reaches it as "name TAG|payload", "name connected" and "name disconnected".
#pragma once

#include <string>
#include <vector>

#include "app/DebuggerConnection.h"

namespace debugtest {

inline std::string Text(const string& s) { return std::string(s.CString(), size_t(s.Length())); }

class Recorder : public DebuggerConnectionDelegate {
 public:
  Recorder(std::vector<std::string>* log, std::string name) : mLog(log), mName(name) {}
  void MessageReceived(const string& tag, const string& payload) override {
    mLog->push_back(mName + " " + Text(tag) + "|" + Text(payload));
  }
  void Connected() override { mLog->push_back(mName + " connected"); }
  void Disconnected() override { mLog->push_back(mName + " disconnected"); }

 private:
  std::vector<std::string>* mLog;
  std::string mName;
};

}  // namespace debugtest
