/* The loader's end-to-end application: calls exported functions (PC-relative and through an
 * absolute address, one name from several sites), reads and writes its own data, uses string
 * constants and its own code's address, and calls libm's cos through a shared-library record.
 * Everything it observes goes to LoaderTestRecord, which the test binary exports. */
#include "qvapp.h"

double cos(double x);
QV_SHARED_FUNCTION(cos, "libm.so.6");

void LoaderTestRecord(int32_t key, int32_t value);
void LoaderTestRecordDouble(int32_t key, double value);
void LoaderTestRecordString(int32_t key, QVString text);

static int32_t counter = 41;
static int32_t Twice(int32_t value) { return 2 * value; }

QV_ENTRY {
  void (*volatile recordThroughAddress)(int32_t, int32_t) = LoaderTestRecord;
  int32_t (*volatile twice)(int32_t) = Twice;
  volatile double half = 0.5; /* not folded at compile time: the call must happen */
  RuntimeInit();
  LoaderTestRecord(1, counter + 1);
  counter += 100;
  LoaderTestRecord(2, counter);
  recordThroughAddress(3, twice(21));
  LoaderTestRecordDouble(4, cos(half));
  LoaderTestRecordString(5, QV_STR("constant text"));
  QV_ApplicationQuit(0); /* the loop then ends at once */
  RuntimeRun();
}
