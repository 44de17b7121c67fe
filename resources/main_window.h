// Resource ids of the main window and the GPU and Tools tabs.
#pragma once
