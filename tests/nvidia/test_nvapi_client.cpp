// The NVAPI client against the stand-in driver library.
#include <gtest/gtest.h>

#include "NvTestSupport.h"

namespace {

TEST(NvapiClient, TwoInitialisationsRunTheInitEntryOnceAndCountTwo) {
  FakeNvapi fake;
  ASSERT_FAKE_INSTALLED(fake);
  EXPECT_EQ(0, NvapiReferenceCount());
  EXPECT_EQ(kNvapiOk, NvapiInitialize());
  EXPECT_EQ(1, NvapiReferenceCount());
  EXPECT_EQ(kNvapiOk, NvapiInitialize());
  EXPECT_EQ(1, fake.initCalls());
  EXPECT_EQ(2, NvapiReferenceCount());
  EXPECT_EQ(2, NvapiSecondCount());
}

TEST(NvapiClient, EntryPointsAreResolvedOncePerLoad) {
  FakeNvapi fake;
  ASSERT_FAKE_INSTALLED(fake);
  char text[kNvShortString] = {};
  EXPECT_EQ(kNvapiOk, NvAPI_GetInterfaceVersionString(text));
  EXPECT_EQ(kNvapiOk, NvAPI_GetInterfaceVersionString(text));
  EXPECT_STREQ("Fake NVAPI R472", text);
  EXPECT_EQ(1, fake.queryCount(kNvIdGetInterfaceVersionString));
  EXPECT_EQ(2, fake.callCount(kNvIdGetInterfaceVersionString));
  EXPECT_EQ(1, fake.initCalls()) << "the first operation binds and initialises";
}

TEST(NvapiClient, AnIdTheDriverDoesNotKnowGivesNoImplementationEveryTime) {
  FakeNvapi fake;
  ASSERT_FAKE_INSTALLED(fake);
  fake.hide(kNvIdGetInterfaceVersionString);
  char text[kNvShortString] = {};
  EXPECT_EQ(kNvapiNoImplementation, NvAPI_GetInterfaceVersionString(text));
  EXPECT_EQ(kNvapiNoImplementation, NvAPI_GetInterfaceVersionString(text));
  EXPECT_EQ(0, fake.callCount(kNvIdGetInterfaceVersionString));
}

TEST(NvapiClient, DriverStatusIsHandedBackUnchanged) {
  FakeNvapi fake;
  ASSERT_FAKE_INSTALLED(fake);
  NvPhysicalGpuHandle gpus[kNvMaxPhysicalGpus] = {};
  NvU32 count = 0;
  ASSERT_EQ(kNvapiOk, NvAPI_EnumPhysicalGPUs(gpus, &count));
  ASSERT_EQ(2u, count);
  NvArchInfo wrongVersion = {};
  wrongVersion.version = nvStructVersion(sizeof(NvArchInfo), 1);
  EXPECT_EQ(kNvapiIncompatibleVersion, NvAPI_GPU_GetArchInfo(gpus[0], &wrongVersion));
  NvU32 bus = 0;
  EXPECT_EQ(-8, NvAPI_GPU_GetBusId(nullptr, &bus));
}

// A library whose initialisation fails is freed and tried anew later.
TEST(NvapiClient, FailedBindLeavesCountsAndIsRetried) {
  const unsigned scenarios[] = {kFakeInitFails, kFakeNoInitEntry};
  for (unsigned scenario : scenarios) {
    FakeNvapi fake(scenario);
    ASSERT_FAKE_INSTALLED(fake);
    EXPECT_EQ(kNvapiError, NvapiInitialize()) << scenario;
    char text[kNvShortString] = {};
    EXPECT_EQ(kNvapiError, NvAPI_GetInterfaceVersionString(text)) << scenario;
    EXPECT_FALSE(NvapiIsLoaded());
    EXPECT_EQ(0, NvapiReferenceCount());
    fake.setScenario(kFakeDefault);
    EXPECT_EQ(kNvapiOk, NvapiInitialize()) << scenario;
    EXPECT_EQ(1, NvapiReferenceCount());
  }
}

// The hooks are called only when the driver offers a pre-call hook and no
// post-call hook.
TEST(NvapiClient, CallHooks) {
  const struct {
    unsigned scenario;
    int hookCallsPerOperation;
  } cases[] = {{kFakeDefault, 0}, {kFakePreHookOnly, 1}, {kFakeBothHooks, 0}};
  for (const auto& c : cases) {
    FakeNvapi fake(c.scenario);
    ASSERT_FAKE_INSTALLED(fake);
    char text[kNvShortString] = {};
    ASSERT_EQ(kNvapiOk, NvAPI_GetInterfaceVersionString(text));
    ASSERT_EQ(kNvapiOk, NvAPI_GetInterfaceVersionString(text));
    EXPECT_EQ(2 * c.hookCallsPerOperation, fake.hookCalls()) << c.scenario;
  }
}

}  // namespace
