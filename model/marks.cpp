#include "model/marks.h"
void ResetMarksModule() {}
