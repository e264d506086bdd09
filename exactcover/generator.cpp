#include "exactcover/generator.h"
void ResetGeneratorModule() {}
