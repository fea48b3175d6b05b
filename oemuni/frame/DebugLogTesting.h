// Test support only: the product never switches logging back on once a device has switched it
// off. Test programs that run many devices in one process use this to start each case afresh.
#pragma once

void RestoreDebugLogForTesting();
