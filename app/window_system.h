#pragma once

// Lets pending window events run from inside a long operation (at most every 10 ms, so that
// it may be called for each item of a long loop).
void YieldToWindowSystem();

// Ends the program at once: closing either window. When an operation is under way (it is
// yielding), the program ends as soon as control comes back to it; when it waits on a
// database call, the call is cancelled and the process ends within two seconds.
void EndProgram();

bool ProgramEnding();
