#include "cli/cli.h"
int CmdCheck(int, char**) {
    return 2;
}
int CmdCount(int, char**) {
    return 2;
}
int CmdSolve(int, char**) {
    return 2;
}
int CmdCreate(int, char**) {
    return 2;
}
