// The files area: every member of FolderItem, the streams, VirtualVolume, SpecialFolder and
// Mutex, and the global functions that give folder items or volumes, called on a fresh fixture
// of each kind of file. The full set runs on the build's own disk; the other variants (tmpfs,
// ramfs and a bind-mounted file in a mount namespace of their own, TMPDIR set or missing, umask
// 077, an ordinary user) run again the calls whose answers they can change.
#include "answers/FileAnswers.h"

#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#include "app/ThreadLocks.h"
#include "core/ClassRegistry.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/TypeNames.h"
#include "files/FolderItemClass.h"
#include "files/SpecialFolders.h"

extern "C" RuntimeObject* getTemporaryFolderItem();

namespace {

using namespace answers;
using namespace files_answers;

constexpr uid_t kNobody = 65534;

// What each variant runs: every member (all), or the members of the categories it can change.
// The files of the system (/dev/null, /proc, /sys) and another user's are called on only by the
// ordinary user, every member of them: as root a call could rename, delete, or change the
// owner or mode of the system's own files.
struct Plan {
  const char* variant;
  bool all;
  std::set<std::string> categories;
  bool systemKinds;
};
const Plan kPlans[] = {
    {"disk", true, {}, false},
    {"tmpfs", false, {"change"}, false},
    {"ramfs", false, {"change"}, false},
    {"tmpfs-size0", false, {"change"}, false},
    {"bind", false, {"change"}, false},
    {"tmpdir-tmpfs", false, {"temporary"}, false},
    {"tmpdir-missing", false, {"temporary"}, false},
    {"umask-077", false, {"change", "temporary"}, false},
    {"nobody", false, {"change", "temporary"}, true},
};

// The variants that run a subset hand a copy or a move the destinations whose answers they can
// change: a new file, and the fixture replaced.
bool SkipsInputs(const std::vector<Input>& inputs) {
  for (const Input& input : inputs) {
    if (input.shown == "the item" || input.shown == "the folder" || input.shown == "\"old\"")
      return true;
  }
  return false;
}

// A read of a FIFO that no writer opened waits a while for one (UnixDataFile's grace): the
// members of a stream run on it only through the openers that also write.
bool SkipsOpener(const Kind& kind, const std::string& opener) {
  return kind.name == "fifo" && (opener.find("write=False") != std::string::npos ||
                                 opener.find("OpenAsTextFile") != std::string::npos);
}

std::string MountNamespace() {
  char link[256];
  const ssize_t n = readlink("/proc/self/ns/mnt", link, sizeof link - 1);
  return std::string(link, n > 0 ? size_t(n) : 0);
}

std::vector<Variant> FileVariants() {
  const bool root = geteuid() == 0;
  const std::vector<std::string> base = {"LC_ALL=C", "TZ=UTC", "TMPDIR"};
  auto with = [&](std::vector<std::string> more) {
    more.insert(more.begin(), base.begin(), base.end());
    return more;
  };
  // A mount namespace of the variant's own, where the process may make one (as root); where
  // unshare cannot make it (no CAP_SYS_ADMIN) the variant is skipped with unshare's reason.
  const std::vector<std::string> unshare =
      root ? std::vector<std::string>{"sh", "-c",
                                      "why=$(unshare -m true 2>&1) || { echo \"cannot make a "
                                      "mount namespace: $why\" >&2; exit " +
                                          std::to_string(kVariantSkipped) +
                                          "; }; exec unshare -m --propagation private \"$@\"",
                                      "sh"}
           : std::vector<std::string>{};
  const std::string host = "QV_FILES_HOST_NS=" + MountNamespace();
  // Root makes a folder for the ordinary user, with a file of root's in a folder of root's,
  // runs the variant as that user, and removes the folder after it.
  const std::vector<std::string> nobody =
      root ? std::vector<
                 std::string>{"sh", "-c",
                              "base=$1; shift; d=$(mktemp -d \"$base/qv-files-nobody-XXXXXX\") || "
                              "exit 1; "
                              "chown 65534 \"$QV_ANSWERS_OUT\" && "
                              "mkdir \"$d/theirs\" && printf 'theirs\\n' > \"$d/theirs/f\" && "
                              "chown 65534:65534 \"$d\" && QV_FILES_BASE=$d "
                              "QV_FILES_THEIRS=$d/theirs/f "
                              "setpriv --reuid=65534 --regid=65534 --clear-groups \"$@\"; s=$?; "
                              "rm -rf \"$d\"; exit $s",
                              "sh", DiskFolder()}
           : std::vector<std::string>{};
  return {
      {"disk", with({}), {}},
      {"tmpfs", with({"QV_FILES_BASE=/dev/shm"}), {}},
      {"ramfs", with({"QV_FILES_MOUNT=ramfs", host}), unshare},
      {"tmpfs-size0", with({"QV_FILES_MOUNT=tmpfs-size0", host}), unshare},
      {"bind", with({"QV_FILES_MOUNT=bind", host}), unshare},
      {"tmpdir-tmpfs", with({"QV_FILES_TMPDIR=tmpfs"}), {}},
      {"tmpdir-missing", with({"QV_FILES_TMPDIR=missing"}), {}},
      {"umask-077", with({"QV_FILES_UMASK=077"}), {}},
      {"nobody", with({"QV_FILES_NOBODY=1"}), nobody},
  };
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The run's root and its settings; ends the child with SkipVariant where the variant cannot be
// made here.
Place MakePlace(std::string* temporary) {
  Place place;
  const bool nobody = Environment("QV_FILES_NOBODY") == "1";
  if (nobody && (geteuid() != kNobody || Environment("QV_FILES_THEIRS").empty()))
    SkipVariant("not run as the ordinary user 65534: the variant is made by root with setpriv");
  // The committed answers of the other variants are root's: it writes read-only files and
  // gives a folder another group.
  if (!nobody && geteuid() != 0) SkipVariant("not run as root, whose answers the lines are");
  const std::string mount = Environment("QV_FILES_MOUNT");
  if (!mount.empty() && Environment("QV_FILES_HOST_NS") == MountNamespace())
    SkipVariant("no mount namespace of its own: unshare -m needs root");
  std::string base = Environment("QV_FILES_BASE");
  if (base.empty()) base = DiskFolder();
  struct statfs system;
  if (base == "/dev/shm" && (statfs(base.c_str(), &system) != 0 ||
                             static_cast<unsigned long>(system.f_type) != TMPFS_MAGIC))
    SkipVariant("/dev/shm is no tmpfs here");
  std::string root = base + "/qv-files-XXXXXX";
  if (!mkdtemp(root.data()))
    SkipVariant("cannot make a folder in " + base + ": " + ErrorName(errno));
  place.root = root;
  const char* options = mount == "ramfs" ? "mode=0755" : "size=0,mode=0755";
  if ((mount == "ramfs" || mount == "tmpfs-size0") &&
      ::mount("none", root.c_str(), mount == "ramfs" ? "ramfs" : "tmpfs", 0, options) != 0) {
    const int error = errno;
    rmdir(root.c_str());
    SkipVariant("cannot mount " + mount + ": " + ErrorName(error));
  }
  place.mounts = mount == "bind";
  place.theirs = Environment("QV_FILES_THEIRS");
  chmod(root.c_str(), 0755);
  place.home = root + "/home";
  mkdir(place.home.c_str(), 0755);
  mkdir((place.home + "/Documents").c_str(), 0755);
  setenv("HOME", place.home.c_str(), 1);
  if (chdir(root.c_str()) != 0) SkipVariant("cannot enter " + root);
  const std::string tmpdir = Environment("QV_FILES_TMPDIR");
  if (tmpdir == "tmpfs") {
    *temporary = "/dev/shm/qv-files-tmp-XXXXXX";
    if (!mkdtemp(temporary->data())) SkipVariant("cannot make a folder in /dev/shm");
    setenv("TMPDIR", temporary->c_str(), 1);
  } else if (tmpdir == "missing") {
    setenv("TMPDIR", (root + "/no-such-folder").c_str(), 1);
  }
  const std::string mask = Environment("QV_FILES_UMASK");
  umask(mask.empty() ? 022 : mode_t(std::strtoul(mask.c_str(), nullptr, 8)));
  return place;
}

void RemovePlace(const Place& place, const std::string& temporary) {
  // The private folder of temporary items, made once by the process.
  if (RuntimeObject* item = getTemporaryFolderItem()) {
    const string path = FolderItemImpOf(item)->GetPath();
    const std::string bytes(path.CString(), size_t(path.Length()));
    RemoveTree(bytes.substr(0, bytes.rfind('/')));
    RuntimeUnlockObject(item);
  }
  if (chdir("/") != 0) return;
  if (!Environment("QV_FILES_MOUNT").empty() && Environment("QV_FILES_MOUNT") != "bind") {
    RemoveTree(place.root + "/x");
    umount2(place.root.c_str(), MNT_DETACH);
  }
  RemoveTree(place.root);
  if (!temporary.empty()) RemoveTree(temporary);
}

// How the object a member is called on is had: the fixture's item, a fresh object for a
// constructor, or a call that gives one (a FolderItem method, a global function, a
// constructor that needs no fixture) with its inputs.
struct Opener {
  std::string shown;  // in the key after "via"; "" for the item or a fresh object
  const Member* member = nullptr;
  std::vector<Input> inputs;
  bool onItem = false;     // a FolderItem method called on the fixture's item
  bool fresh = false;      // a fresh object of the class, for its constructors
  bool thenAtEnd = false;  // then Position = Length (the usual way to append)
};

bool IsConstructor(const Member& member) {
  return member.name == "Constructor" || member.name == member.owner;
}

std::string ShownCall(const Member& member, const std::vector<Input>& inputs) {
  std::string shown = member.owner.empty() ? member.name : member.owner + "." + member.name;
  if (member.parameters.empty() && !member.name.ends_with("=")) return shown;
  shown += "(";
  for (size_t i = 0; i < inputs.size(); ++i)
    shown += (i ? ", " : "") + member.parameters[i].name + "=" + inputs[i].shown;
  return shown + ")";
}

std::vector<Opener> OpenersOf(const std::vector<Member>& members, const Member& member) {
  if (IsConstructor(member)) return {Opener{"", nullptr, {}, false, true}};
  if (member.owner == "FolderItem" || member.owner.empty()) return {Opener{}};
  std::vector<Opener> openers;
  for (const Member& maker : members) {
    if (TypeName(maker.result).CString() != member.owner) continue;
    const bool onItem = maker.owner == "FolderItem";
    if (!onItem && !maker.owner.empty()) continue;
    for (const std::vector<Input>& inputs : InputRows(maker)) {
      if (!onItem && UsesFixture(maker, inputs)) continue;
      openers.push_back({ShownCall(maker, inputs), &maker, inputs, onItem, false});
      if (onItem && maker.name.rfind("OpenAs", 0) == 0 && !inputs.empty() &&
          inputs.back().shown == "True" && FindMember(members, member.owner, "Position=")) {
        openers.push_back(openers.back());
        openers.back().shown += " then Position=Length";
        openers.back().thenAtEnd = true;
      }
    }
  }
  for (const Member& constructor : members) {
    if (constructor.owner != member.owner || !IsConstructor(constructor)) continue;
    for (const std::vector<Input>& inputs : InputRows(constructor)) {
      if (!UsesFixture(constructor, inputs))
        openers.push_back({ShownCall(constructor, inputs), &constructor, inputs, false, true});
    }
  }
  return openers;
}

// Puts the stream's position at its end, as a program that appends does.
void PositionAtEnd(Table& table, const std::vector<Member>& members, const std::string& owner,
                   RuntimeObject* stream) {
  const Member* length = FindMember(members, owner, "Length");
  const Member* position = FindMember(members, owner, "Position=");
  const CallResult end =
      CallExport(table, length->exportName, Words().Add(Word(stream)).Add(length->parameterWord));
  CallExport(table, position->exportName,
             Words().Add(Word(stream)).Add(position->parameterWord).Add64(end.integer));
}

// The object the member is called on (one reference), as the opener makes it on the fixture;
// nil where the opener gives none.
RuntimeObject* Receiver(Table& table, const Place& place, const Fixture& fixture,
                        const std::vector<Member>& members, const Member& member,
                        const Opener& opener) {
  if (!member.object) return nullptr;
  RuntimeObject* fresh =
      opener.fresh ? NewObjectFromDefinition(LookupClassDefinition(string(member.owner.c_str())))
                   : nullptr;
  if (!opener.member) return opener.fresh ? fresh : ItemOn(fixture.item);
  RuntimeObject* on = opener.fresh ? fresh : opener.onItem ? ItemOn(fixture.item) : nullptr;
  RuntimeObject* object = OpenedObject(table, place, fixture, *opener.member, on, opener.inputs);
  if (opener.fresh) return fresh;  // a constructor makes the object it is called on
  RuntimeUnlockObject(on);
  if (object && opener.thenAtEnd) PositionAtEnd(table, members, member.owner, object);
  return object;
}

// One run of one member over the kinds.
struct Run {
  Table& table;
  const Place& place;
  const Plan& plan;
  const std::vector<Member>& members;
  std::set<std::string> keys;

  // Keys are unique: an overload whose inputs read the same is told by its export.
  std::string UniqueKey(std::string key, const Member& member) {
    if (!keys.insert(key).second) key += " [" + member.exportName + "]";
    keys.insert(key);
    return key;
  }

  void Row(const Member& member, const Opener& opener, const std::vector<Input>& inputs,
           const Kind& kind, bool kindless) {
    Fixture fixture;
    std::string said;
    if (!MakeFixture(place, kindless ? Kind{"missing"} : kind, &fixture, &said)) {
      table.Line(UniqueKey(ShownCall(member, inputs) + " on " + kind.name, member),
                 "no fixture: " + said);
      return;
    }
    std::string key = ShownCall(member, inputs) + (kindless ? "" : " on " + kind.name);
    if (!opener.shown.empty()) key += " via " + opener.shown;
    RuntimeObject* object = Receiver(table, place, fixture, members, member, opener);
    if (member.object && !object) {
      RemoveFixture(place, &fixture);
      return;  // the opener gave nothing: its own row says so
    }
    std::string answer = CallMember(table, place, fixture, members, member, object, inputs);
    RuntimeUnlockObject(object);
    if (!said.empty()) answer += ";" + said;
    if (!kindless) answer += " | " + DescribeState(place, fixture);
    RemoveFixture(place, &fixture);
    table.Line(UniqueKey(key, member), answer);
  }

  void Emit(const Member& member, const std::vector<Kind>& kinds) {
    const std::string why = WhyNoRows(member);
    if (!why.empty()) {
      const std::string name =
          member.owner.empty() ? member.name : member.owner + "." + member.name;
      if (plan.all) table.Line(UniqueKey(name, member), "no rows: " + why);
      return;
    }
    const std::string category = Category(member);
    const bool inPlan = plan.all || plan.categories.count(category);
    for (const Opener& opener : OpenersOf(members, member)) {
      for (const std::vector<Input>& inputs : InputRows(member)) {
        if (!plan.all && SkipsInputs(inputs)) continue;
        // A call that needs no file runs once, where the plan runs it at all.
        const bool kindless =
            !opener.onItem && member.owner != "FolderItem" && !UsesFixture(member, inputs);
        if (kindless) {
          if (plan.all || (inPlan && category == "temporary"))
            Row(member, opener, inputs, {"-"}, true);
          continue;
        }
        for (const Kind& kind : kinds) {
          if ((inPlan || kind.system) && !SkipsOpener(kind, opener.shown))
            Row(member, opener, inputs, kind, false);
        }
      }
    }
  }
};

void EmitFiles(const Variant& variant, Table& table) {
  const Plan* plan = nullptr;
  for (const Plan& candidate : kPlans) {
    if (variant.name == candidate.variant) plan = &candidate;
  }
  ASSERT_NE(plan, nullptr);
  std::string temporary;
  const Place place = MakePlace(&temporary);
  std::vector<Kind> kinds = KindsFor(place, plan->systemKinds);
  if (place.mounts)
    std::erase_if(kinds, [](const Kind& kind) { return kind.name != "bind-mounted"; });
  if (plan->all) {
    table.Line("kinds dev-null, proc, sys", "called on by the ordinary user only (variant nobody)");
    table.Line("kind fifo",
               "stream members only through openers that write: a read of a FIFO "
               "without a writer waits for one");
  }
  const std::vector<Member> members = AreaMembers();
  Run run{table, place, *plan, members, {}};
  for (const Member& member : members) run.Emit(member, kinds);
  RemovePlace(place, temporary);
}

QV_ANSWER_AREA("files", FileVariants, EmitFiles);

}  // namespace

TEST(Answers, Files) { CheckArea("files"); }
