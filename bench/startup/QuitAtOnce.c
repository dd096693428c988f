/* The smallest application image: its entry returns at once, so that starting it measures
 * what the framework does before any compiled code runs (finding, reading and linking the
 * image, starting the toolkit) and nothing the program does after. */
#include "qvapp.h"

QV_ENTRY {}
