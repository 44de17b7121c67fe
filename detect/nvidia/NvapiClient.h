// The client through which the NVIDIA back-end reaches the driver library.
//
// The library is loaded from the system directory on first use, bound
// through its single export nvapi_QueryInterface and initialised once;
// every operation below loads it if needed, resolves its entry point once
// and hands back the driver's status unchanged (0 success, -1 general
// error, -2 library not found, -3 entry point not provided, -9 structure
// version not supported, other negative values from the driver).
#pragma once

#include <windows.h>

#include "detect/nvidia/NvapiTypes.h"

// The driver library's file name for this architecture.
const wchar_t* NvapiLibraryName();

int NvapiInitialize();
int NvapiLoadLibrary();
int NvapiBootstrap(HMODULE library);

// The client's reference counts (for diagnostics and tests).
int NvapiReferenceCount();
int NvapiSecondCount();
bool NvapiIsLoaded();
HMODULE NvapiLibraryHandle();
// Test seam: frees the library and forgets every binding and count, as
// at process start.
void NvapiResetForTests();

// One row per operation: name, interface id, parameters, arguments.
#define QV_NVAPI_OPERATIONS(X)                                                                 \
  X(NvAPI_GetInterfaceVersionString, kNvIdGetInterfaceVersionString, (char* text), (text))     \
  X(NvAPI_GetDisplayDriverVersion, kNvIdGetDisplayDriverVersion,                               \
    (NvDisplayHandle display, NvDisplayDriverVersion* info), (display, info))                  \
  X(NvAPI_SYS_GetDriverAndBranchVersion, kNvIdSysGetDriverAndBranchVersion,                    \
    (NvU32* version, char* branch), (version, branch))                                         \
  X(NvAPI_SYS_GetDriverInformation, kNvIdSysGetDriverInformation,                              \
    (NvSysDriverInformation* info), (info))                                                    \
  X(NvAPI_EnumNvidiaDisplayHandle, kNvIdEnumNvidiaDisplayHandle,                               \
    (NvU32 index, NvDisplayHandle* display), (index, display))                                 \
  X(NvAPI_EnumLogicalGPUs, kNvIdEnumLogicalGpus, (NvLogicalGpuHandle* gpus, NvU32* count),     \
    (gpus, count))                                                                             \
  X(NvAPI_EnumPhysicalGPUs, kNvIdEnumPhysicalGpus, (NvPhysicalGpuHandle* gpus, NvU32* count),  \
    (gpus, count))                                                                             \
  X(NvAPI_GetPhysicalGPUsFromDisplay, kNvIdGetPhysicalGpusFromDisplay,                         \
    (NvDisplayHandle display, NvPhysicalGpuHandle* gpus, NvU32* count), (display, gpus, count)) \
  X(NvAPI_StartupFourValues, kNvIdStartupFourValues, (NvU32 a, NvU32 b, NvU32 c, NvU32 d),     \
    (a, b, c, d))                                                                              \
  X(NvAPI_GPU_StartupFlag, kNvIdGpuStartupFlag, (NvPhysicalGpuHandle gpu, NvU32 flag),         \
    (gpu, flag))                                                                               \
  X(NvAPI_GPU_GetFullName, kNvIdGpuGetFullName, (NvPhysicalGpuHandle gpu, char* name),         \
    (gpu, name))                                                                               \
  X(NvAPI_GPU_GetPCIIdentifiers, kNvIdGpuGetPciIdentifiers,                                    \
    (NvPhysicalGpuHandle gpu, NvU32* deviceId, NvU32* subsystemId, NvU32* revisionId,          \
     NvU32* extDeviceId),                                                                      \
    (gpu, deviceId, subsystemId, revisionId, extDeviceId))                                     \
  X(NvAPI_GPU_GetBusId, kNvIdGpuGetBusId, (NvPhysicalGpuHandle gpu, NvU32* busId), (gpu, busId)) \
  X(NvAPI_GPU_GetBrandType, kNvIdGpuGetBrandType, (NvPhysicalGpuHandle gpu, NvU32* brand),     \
    (gpu, brand))                                                                              \
  X(NvAPI_GPU_GetVbiosVersionString, kNvIdGpuGetVbiosVersionString,                            \
    (NvPhysicalGpuHandle gpu, char* text), (gpu, text))                                        \
  X(NvAPI_GPU_GetPhysicalFrameBufferSize, kNvIdGpuGetPhysicalFrameBufferSize,                  \
    (NvPhysicalGpuHandle gpu, NvU32* sizeKB), (gpu, sizeKB))                                   \
  X(NvAPI_GPU_GetRamType, kNvIdGpuGetRamType, (NvPhysicalGpuHandle gpu, NvU32* type), (gpu, type)) \
  X(NvAPI_GPU_GetRamMaker, kNvIdGpuGetRamMaker, (NvPhysicalGpuHandle gpu, NvU32* maker),       \
    (gpu, maker))                                                                              \
  X(NvAPI_GPU_GetRamBusWidthAndLocation, kNvIdGpuGetRamBusWidthAndLocation,                    \
    (NvPhysicalGpuHandle gpu, NvU32* width, NvU32* location), (gpu, width, location))          \
  X(NvAPI_GPU_GetGpuCoreCount, kNvIdGpuGetGpuCoreCount, (NvPhysicalGpuHandle gpu, NvU32* cores), \
    (gpu, cores))                                                                              \
  X(NvAPI_GPU_GetRopCount, kNvIdGpuGetRopCount, (NvPhysicalGpuHandle gpu, NvU32* rops),        \
    (gpu, rops))                                                                               \
  X(NvAPI_GPU_GetRtAndTensorCores, kNvIdGpuGetRtAndTensorCores,                                \
    (NvPhysicalGpuHandle gpu, NvRtAndTensorCores* info), (gpu, info))                          \
  X(NvAPI_GPU_GetArchInfo, kNvIdGpuGetArchInfo, (NvPhysicalGpuHandle gpu, NvArchInfo* info),   \
    (gpu, info))                                                                               \
  X(NvAPI_GPU_GetThermalSettings, kNvIdGpuGetThermalSettings,                                  \
    (NvPhysicalGpuHandle gpu, NvU32 sensor, NvThermalSettings* info), (gpu, sensor, info))     \
  X(NvAPI_GPU_GetTachReading, kNvIdGpuGetTachReading, (NvPhysicalGpuHandle gpu, NvU32* rpm),   \
    (gpu, rpm))                                                                                \
  X(NvAPI_GPU_GetCoolerSettings, kNvIdGpuGetCoolerSettings,                                    \
    (NvPhysicalGpuHandle gpu, NvU32 cooler, NvCoolerSettings* info), (gpu, cooler, info))      \
  X(NvAPI_GPU_GetFanCoolersInfo, kNvIdGpuGetFanCoolersInfo,                                    \
    (NvPhysicalGpuHandle gpu, NvFanCoolersInfo* info), (gpu, info))                            \
  X(NvAPI_GPU_GetFanCoolersStatus, kNvIdGpuGetFanCoolersStatus,                                \
    (NvPhysicalGpuHandle gpu, NvFanCoolersStatus* info), (gpu, info))                          \
  X(NvAPI_GPU_GetAllClockFrequencies, kNvIdGpuGetAllClockFrequencies,                          \
    (NvPhysicalGpuHandle gpu, NvClockFrequencies* info), (gpu, info))                          \
  X(NvAPI_GPU_GetCurrentPstate, kNvIdGpuGetCurrentPstate,                                      \
    (NvPhysicalGpuHandle gpu, NvU32* pstate), (gpu, pstate))                                   \
  X(NvAPI_GPU_GetPstates20, kNvIdGpuGetPstates20, (NvPhysicalGpuHandle gpu, NvPstates20* info), \
    (gpu, info))                                                                               \
  X(NvAPI_GPU_GetPstatesInfo, kNvIdGpuGetPstatesInfo,                                          \
    (NvPhysicalGpuHandle gpu, NvPstatesInfo* info), (gpu, info))                               \
  X(NvAPI_GPU_GetCoreVoltage, kNvIdGpuGetCoreVoltage,                                          \
    (NvPhysicalGpuHandle gpu, NvCoreVoltage* info), (gpu, info))                               \
  X(NvAPI_GPU_GetVoltageDomainsStatus, kNvIdGpuGetVoltageDomainsStatus,                        \
    (NvPhysicalGpuHandle gpu, NvVoltageDomainsStatus* info), (gpu, info))                      \
  X(NvAPI_GPU_GetPowerTopologyStatus, kNvIdGpuGetPowerTopologyStatus,                          \
    (NvPhysicalGpuHandle gpu, NvPowerTopologyStatus* info), (gpu, info))                       \
  X(NvAPI_GPU_GetPowerPoliciesInfo, kNvIdGpuGetPowerPoliciesInfo,                              \
    (NvPhysicalGpuHandle gpu, NvPowerPoliciesInfo* info), (gpu, info))                         \
  X(NvAPI_GPU_GetPowerPoliciesStatus, kNvIdGpuGetPowerPoliciesStatus,                          \
    (NvPhysicalGpuHandle gpu, NvPowerPoliciesStatus* info), (gpu, info))                       \
  X(NvAPI_GPU_QueryActiveAppsWithFlags, kNvIdGpuQueryActiveAppsWithFlags,                      \
    (NvPhysicalGpuHandle gpu, NvU32 flags, NvActiveApp* apps, NvU32* count),                   \
    (gpu, flags, apps, count))                                                                 \
  X(NvAPI_GPU_QueryActiveApps, kNvIdGpuQueryActiveApps,                                        \
    (NvPhysicalGpuHandle gpu, NvActiveApp* apps, NvU32* count), (gpu, apps, count))

#define QV_NVAPI_DECLARE(name, id, params, args) int name params;
QV_NVAPI_OPERATIONS(QV_NVAPI_DECLARE)
#undef QV_NVAPI_DECLARE
