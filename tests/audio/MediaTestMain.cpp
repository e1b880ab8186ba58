// The media tests need a Qt event loop (completions and frames arrive through it) and a
// GStreamer plugin registry of their own: a stale or broken cache left by another run or
// another GStreamer version must not decide whether a pipeline builds.

#include "support/TempDir.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Under the leak sanitizer: GLib keeps what its library constructor allocates, and the MPEG
// encoder that makes a test file leaks its frames. Without frame pointers in the system
// libraries the stack of GLib's allocation ends at g_malloc, so the suppression names GLib as a
// whole; GStreamer's objects come from GLib's slice allocator, invisible to the sanitizer
// anyway, and a leaked pipeline is caught by GStreamer's leak tracer instead (see main).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\n"
           "leak:libmpeg2encpp\n"
           "leak:libmjpegutils\n";
}

int main(int argc, char** argv) {
    vorlandite::testing::TempDir registryFolder;
    ::setenv("GST_REGISTRY", registryFolder.File("gst-registry.bin").c_str(), 1);
    // GStreamer's leak tracer keeps a list of the pipelines alive, so that a test can tell that a
    // closed player released its pipeline (GLib's own allocator hides such leaks from ASan).
    ::setenv("GST_TRACERS", "leaks(filters=GstPipeline)", 1);
    // Test discovery runs the binary without the test environment; it needs no display either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
