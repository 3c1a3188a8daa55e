#pragma once

// Keeps the module that holds this code loaded for the rest of the process,
// for a thread of ours that may outlive the instance which started it: the
// host may unload a module once its last instance is gone.
void pinThisModule();
