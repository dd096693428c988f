/* An application that only carries a cursor resource (flag.curs, 'CURS' 128): the cursor tests
 * read the resource from the packed image. */
#include "qvapp.h"

QV_ENTRY {}
