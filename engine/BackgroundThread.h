#pragma once
// What a thread of the plug-in's own that works in the background needs of
// the system.

// Lowers the calling thread's priority below the host's threads, so that
// the host's user-interface thread never waits for our work on a busy core.
void yieldToTheHost();

// Keeps the module that holds this code loaded for the rest of the process,
// for a thread of ours that may outlive the instance which started it: the
// host may unload a module once its last instance is gone.
void pinThisModule();
