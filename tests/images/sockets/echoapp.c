/* The line-echo application: a subclass of TCPSocket, built as compiled code builds one (its
 * class made with RuntimeNewClass under the framework's TCPSocket, its handlers in the event
 * table at the framework's event numbers), connects to "localhost" at the port the test gives,
 * writes three lines, reads the echoed lines back as whole lines, and closes once all three
 * are back. What it sees goes to the test's exports EchoTest*. */
#include "qvapp.h"

QVClass* RuntimeLookupClass(QVString name);
QVClass* RuntimeNewClass(QVClass* parent, int32_t methods, int32_t interfaces, int32_t events,
                         int32_t namedMethods, int32_t properties);
void SocketPortSetter(QVObject* socket, uint32_t parameter, int32_t port);
void stringSetter(QVObject* object, uint32_t offset, QVString value);
void SocketConnect(QVObject* socket);
void SocketWrite(QVObject* socket, QVString data);
QVString socketLookahead(QVObject* socket, QVObject* encoding);
QVString socketRead(QVObject* socket, int32_t count, QVObject* encoding);
void socketClose(QVObject* socket);
int32_t socketLastErrorCode(QVObject* socket);

int32_t EchoTestPort(void);
void EchoTestRecord(QVString text);
void EchoTestRecordError(int32_t code);
void EchoTestFinish(void);
void EchoTestRunLoop(void);

/* The events' numbers: SocketCore's DataAvailable, Error and SendComplete, then TCPSocket's
 * Connected and SendProgress. */
enum { kDataAvailable = 0, kError = 1, kConnected = 3 };
enum { kAddressOffset = 40 };

typedef struct EventEntry {
  void* vector;
  QVString name;
} EventEntry;

static int32_t linesBack = 0;

static void OnConnected(QVObject* self) {
  EchoTestRecord(QV_STR("connected"));
  SocketWrite(self, QV_STR("first line\n"));
  SocketWrite(self, QV_STR("second line\n"));
  SocketWrite(self, QV_STR("third line\n"));
}

/* Takes the whole lines that have arrived; a part line waits for the rest. */
static void OnDataAvailable(QVObject* self) {
  QVString waiting = socketLookahead(self, 0);
  int32_t end = 0;
  int32_t i;
  for (i = 0; waiting && i < (int32_t)waiting->length; ++i) {
    if (waiting->data[1 + i] == '\n') {
      end = i + 1;
      ++linesBack;
    }
  }
  RuntimeUnlockString(waiting);
  if (end == 0) return;
  QVString lines = socketRead(self, end, 0);
  EchoTestRecord(lines);
  RuntimeUnlockString(lines);
  if (linesBack < 3) return;
  socketClose(self);
  EchoTestFinish();
}

static void OnError(QVObject* self) { EchoTestRecordError(socketLastErrorCode(self)); }

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  QVClass* parent = RuntimeLookupClass(QV_STR("TCPSocket"));
  QVClass* echo = RuntimeNewClass(parent, parent->methodCount, parent->interfaceCount,
                                  parent->eventCount, parent->namedMethodCount,
                                  parent->propertyCount);
  echo->className = QV_STR("EchoSocket");
  echo->instanceSize = parent->instanceSize;
  EventEntry* events = (EventEntry*)echo->eventTable;
  events[kConnected].vector = (void*)OnConnected;
  events[kDataAvailable].vector = (void*)OnDataAvailable;
  events[kError].vector = (void*)OnError;

  QVObject* socket = RuntimeNewObject(echo);
  stringSetter(socket, kAddressOffset, QV_STR("LocalHost"));
  SocketPortSetter(socket, 0, EchoTestPort());
  SocketConnect(socket);
  RuntimeUnlockObject(socket); /* the connection holds it until it closes */
  EchoTestRunLoop();
}
