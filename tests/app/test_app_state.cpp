#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "app/AppState.h"

namespace {

TEST(AppStateTest, SeventeenSlotsAreBuiltAtStaticInitialisation) {
  ASSERT_EQ(kDemoSlotCount, static_cast<int>(sizeof(g_app.demoSlots) / sizeof(g_app.demoSlots[0])));
  for (const DemoSlot& slot : g_app.demoSlots) {
    EXPECT_FLOAT_EQ(0.0f, slot.color.x);
    EXPECT_FLOAT_EQ(1.0f, slot.color.w);
    EXPECT_EQ(0u, slot.objects.size());
    EXPECT_FALSE(slot.isBusy());
    EXPECT_GT(slot.timer.frequency(), 0);
  }
}

TEST(AppStateTest, ResetSetsTheDefaults) {
  ResetAppState();
  const AppState& s = g_app;
  EXPECT_EQ(-1, s.vkGpuIndex);
  EXPECT_STREQ("", s.tvlDemoName);
  EXPECT_EQ("Off", s.msaaText);
  EXPECT_EQ(4, s.glMajor);
  EXPECT_EQ(5, s.glMinor);
  EXPECT_EQ(kClDeviceTypeGpu, s.clDeviceType);
  EXPECT_TRUE(s.logEnabled);
  EXPECT_TRUE(s.onlineCheckEnabled);
  EXPECT_TRUE(s.vulkanEnabled);
  EXPECT_TRUE(s.openClEnabled);
  EXPECT_TRUE(s.readClPlatformExtensions);
  EXPECT_FALSE(s.clGlInterop);
  EXPECT_TRUE(s.clExplicitWorkgroupSize);
  EXPECT_TRUE(s.clNativeSin);
  EXPECT_TRUE(s.juliaAnimated);
  EXPECT_EQ(512, s.juliaRttSize);
  EXPECT_EQ(1000000, s.clParticlesGpu);
  EXPECT_EQ(1000000, s.clParticlesCpu);
  EXPECT_TRUE(s.gl3TorusRadeonFix);
  EXPECT_TRUE(s.glRenderInClDemos);
  EXPECT_EQ(511, s.surfaceSegsX);
  EXPECT_EQ(511, s.surfaceSegsZ);
  EXPECT_EQ(600, s.demoWinWidth);
  EXPECT_EQ(600, s.demoWinHeight);
  EXPECT_TRUE(s.appendTimestamp);
  EXPECT_FALSE(s.exportXmlReport);
  EXPECT_FALSE(s.exportTextReport);
  EXPECT_TRUE(s.reportPath.empty());
  EXPECT_TRUE(s.sensorRefreshEnabled);
  EXPECT_FLOAT_EQ(16.0f, s.tessLevelOuter);
  EXPECT_FLOAT_EQ(8.0f, s.tessLevelInner);
  EXPECT_TRUE(s.tessLevelAnimation);
  EXPECT_EQ(350000, s.furHairDensity);
  EXPECT_FLOAT_EQ(20.0f, s.furLength);
  EXPECT_EQ(100, s.furShellCount);
  EXPECT_EQ(512, s.furNoiseTextureSize);
  EXPECT_EQ(10, s.furNoiseTextureCount);
  ASSERT_NE(nullptr, s.furNoiseTextures);
  for (int i = 0; i < kFurNoiseTextureMax; ++i) EXPECT_EQ(nullptr, s.furNoiseTextures[i]);

  SYSTEM_INFO info;
  GetSystemInfo(&info);
  EXPECT_EQ(info.dwNumberOfProcessors, s.cpuCount);
  for (bool flag : s.autostart) EXPECT_FALSE(flag);
}

TEST(AppStateTest, ApplicationDirectoryIsTheProgramFolderWithSeparator) {
  ResetAppState();
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  ASSERT_GT(n, 0u);
  *strrchr(path, '\\') = '\0';
  std::string expected = std::string(path) + "\\";
  EXPECT_EQ(expected, g_app.appDirectory);
}

DWORD WINAPI takeLockOnce(void* arg) {
  CRITICAL_SECTION* lock = static_cast<CRITICAL_SECTION*>(arg);
  EnterCriticalSection(lock);
  LeaveCriticalSection(lock);
  return 0;
}

TEST(AppStateTest, ResetTwiceReusesBuffersAndKeepsTheLock) {
  ResetAppState();
  ReportBuffers first = g_app.reportBuffers;
  ASSERT_NE(nullptr, first.text);
  ASSERT_NE(nullptr, first.textLf);
  ASSERT_NE(nullptr, first.xml);
  Korveth_nsp::kvTexture** furArray = g_app.furNoiseTextures;
  void* lockDebugInfo = g_app.engineDemoLock.DebugInfo;

  strcpy(first.text, "stale report");
  first.xml[kReportBufferSize - 1] = 'x';
  g_app.vkGpuIndex = 3;
  g_app.demoSlots[5].stopFlag = 1;

  // The second reset must neither leak the buffers nor initialise the lock
  // again while a demo thread could hold it.
  EnterCriticalSection(&g_app.engineDemoLock);
  ResetAppState();
  LeaveCriticalSection(&g_app.engineDemoLock);

  EXPECT_EQ(first.text, g_app.reportBuffers.text);
  EXPECT_EQ(first.textLf, g_app.reportBuffers.textLf);
  EXPECT_EQ(first.xml, g_app.reportBuffers.xml);
  EXPECT_EQ('\0', g_app.reportBuffers.text[0]);
  EXPECT_EQ('\0', g_app.reportBuffers.xml[kReportBufferSize - 1]);
  EXPECT_EQ(furArray, g_app.furNoiseTextures);
  EXPECT_EQ(lockDebugInfo, g_app.engineDemoLock.DebugInfo);
  EXPECT_EQ(-1, g_app.vkGpuIndex);
  EXPECT_EQ(0, g_app.demoSlots[5].stopFlag);

  HANDLE t = CreateThread(nullptr, 0, takeLockOnce, &g_app.engineDemoLock, 0, nullptr);
  ASSERT_NE(nullptr, t);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 5000)) << "lock left held after reset";
  CloseHandle(t);
}

TEST(AppStateTest, ReleaseFreesAndResetAllocatesAgain) {
  ResetAppState();
  ReleaseAppState();
  EXPECT_EQ(nullptr, g_app.reportBuffers.text);
  EXPECT_EQ(nullptr, g_app.furNoiseTextures);
  EXPECT_FALSE(g_app.engineDemoLockReady);
  ReleaseAppState();  // a second release is harmless
  ResetAppState();
  EXPECT_NE(nullptr, g_app.reportBuffers.text);
  EXPECT_TRUE(g_app.engineDemoLockReady);
}

}  // namespace
