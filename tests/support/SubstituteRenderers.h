#pragma once

#include "editor/EditorRenderers.h"

#include <QThreadPool>

#include <utility>

namespace testsupport {

// The shared editor renderers while it lives: `Renderers`, the standard ones or a test's class deriving
// from them and overriding what it changes. Substitutes nest, each putting back the one it replaced.
// Editor models call the renderers from background work that may outlast them (the last one to go lets
// the canvases go on a worker), so the substitute is removed only once the editor's pools are idle, and
// before any member of `Renderers` goes: that is why it is the most derived class.
template <typename Renderers = StandardEditorRenderers>
class SubstituteRenderers final : public Renderers {
public:
    template <typename... Args>
    explicit SubstituteRenderers(Args &&...args)
        : Renderers(std::forward<Args>(args)...), m_replaced(&EditorRenderers::shared()) {
        EditorRenderers::setSharedForTesting(this);
    }
    ~SubstituteRenderers() override {
        EditorThreads::renderPool().waitForDone();
        EditorThreads::estimatePool().waitForDone();
        EditorRenderers::setSharedForTesting(m_replaced);
    }
    SubstituteRenderers(const SubstituteRenderers &) = delete;
    SubstituteRenderers &operator=(const SubstituteRenderers &) = delete;

private:
    EditorRenderers *m_replaced;
};

} // namespace testsupport
