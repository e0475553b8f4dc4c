// The module loaded, its editor opened (which paints it, filling the
// module's image and font caches) and the module unloaded, twice.
#include <gtest/gtest.h>

#include "tests/vst/ModuleHost.h"

// The second load starts afresh; under LeakSanitizer (the asan preset) the
// run reports nothing: the caches and the font libraries' state go with the
// module.
TEST(ModuleUnload, EditorCachesGoWithTheModule) {
  for (int round = 0; round < 2; ++round) {
    qmhost::VstHost host(ModuleSettings());
    ASSERT_TRUE(LoadModule(host)) << round;
    ERect* rect = nullptr;
    ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, 498);
    EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, nullptr), 0);  // painted, but no window yet
    EXPECT_EQ(host.Dispatch(effEditClose), 1);
  }
}
