// The small utilities that read the application state or ask the detection
// facade. They live apart from the log so that logging needs neither.
#pragma once

// The application timer's elapsed milliseconds; reset first when `reset`
// is non-zero.
int ReadGlobalTimer(int reset);
// Whether PhysX runs on the GPU, as the detection facade reports it.
bool IsPhysXOnGpu();
