// Pumping the message loop from inside a network wait.
#pragma once

// Handles what is pending on the current event loop; with `waitMs` > 0 it first waits at most
// that long for something to happen (a socket notification, a timer), so that wait loops do not
// spin.  Does nothing when there is no loop.
void NetPumpMessages(int waitMs = 0);
