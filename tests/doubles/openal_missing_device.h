// Test output that is never there: opening it always fails, as on a machine without sound.
#pragma once

// How many times something tried to open the output.
int missingOutputOpenAttempts();
