#pragma once

// A top-level X window of the test host's own, offered to the plug-in as a view container.
// X11's headers define macros (None, Bool, Status) that clash with other code, so they stay in
// HostWindow.cpp.

#include <plugin/aax/AAXInterface.h>

#include <memory>
#include <vector>

namespace aaxtest
{
class HostWindow final : public AAX_IViewContainer
{
  public:
    explicit HostWindow(int32_t containerType = AAX_eViewContainer_Type_NativeWindow);
    ~HostWindow() override;

    int32_t GetType() override { return type; }
    void* GetPtr() override;
    AAX_Result SetViewSize(const AAX_Point& size) override
    {
        sizes.push_back(size);
        return AAX_SUCCESS;
    }

    /// How many windows the plug-in has placed inside this one.
    unsigned childCount();

    std::vector<AAX_Point> sizes;

  private:
    struct XState;
    int32_t type;
    std::unique_ptr<XState> x;
};
} // namespace aaxtest
