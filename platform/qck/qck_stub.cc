// placeholder until the toolkit is written
#include <kmt/qck.h>
