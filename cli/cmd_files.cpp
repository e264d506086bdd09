#include "cli/cli.h"
int CmdFormat(int, char**) {
    return 2;
}
int CmdShow(int, char**) {
    return 2;
}
