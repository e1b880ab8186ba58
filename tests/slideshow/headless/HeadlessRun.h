#pragma once
// A headless show over a payload the test wrote, with every event it reported kept in order.

#include "../OverlayTestSupport.h"
#include "slideshow/headless/HeadlessShow.h"

#include <memory>
#include <vector>

namespace vorlandite::testing {

struct HeadlessRun {
    ShowFile file;
    std::vector<slideshow::HeadlessEvent> events;
    std::unique_ptr<slideshow::HeadlessShow> show;

    HeadlessRun(const payload::PayloadDraft& draft, slideshow::HeadlessShowOptions options) : file(draft) {
        EnsureGuiApplication();
        show = std::make_unique<slideshow::HeadlessShow>(
            slideshow::ShowContent{file.payload, file.path, file.tempFolder, {}}, options,
            [this](const slideshow::HeadlessEvent& e) { events.push_back(e); });
        EXPECT_TRUE(show->Start().ok());
    }
    HeadlessRun(const HeadlessRun&) = delete;  // the show reports to this object
    HeadlessRun& operator=(const HeadlessRun&) = delete;

    // The events of one type, in the order they came.
    std::vector<const slideshow::HeadlessEvent*> Of(slideshow::HeadlessEvent::Type type) const {
        std::vector<const slideshow::HeadlessEvent*> found;
        for (const auto& e : events)
            if (e.type == type)
                found.push_back(&e);
        return found;
    }
};

} // namespace vorlandite::testing
