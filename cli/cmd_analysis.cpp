#include "cli/cli.h"
int CmdRate(int, char**) {
    return 2;
}
int CmdPath(int, char**) {
    return 2;
}
int CmdHint(int, char**) {
    return 2;
}
