// placeholder until the services are written
#include <jrnmsg/lyr.h>
extern "C" lyr_cs_t lyr_cs_new(const char *) { return nullptr; }
