#include "model/history.h"
MoveRecord MoveHistory[HISTORY_SLOTS]; int MovePos, MoveEnd;
void ChangePosition(uint16_t, int, int) {}
void ResetHistoryModule() {}
