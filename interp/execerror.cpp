// Fatal errors of the calculator interpreter: banner, message, end of the process.
#include "interp/execerror.h"

#include <cstdio>
#include <cstdlib>

namespace korim::interp {

void execerror(const char *message1, const char *message2) {
    std::fprintf(stderr, "************** FATAL ERROR *************\n");
    if (message2)
        std::fprintf(stderr, "%s %s\n", message1 ? message1 : "", message2);
    else
        std::fprintf(stderr, "%s\n", message1 ? message1 : "");
    std::exit(-1);
}

}  // namespace korim::interp
