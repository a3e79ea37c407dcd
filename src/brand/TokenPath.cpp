#include "brand/TokenPath.h"

namespace BrandImporter::Labels {

void TokenPath::enter(QStringView key) {
    const qsizetype length = m_label.size();
    m_steps.push_back({length, m_settled});
    if (m_steps.size() > 1) m_label += u'.';
    m_label += key.toString().toLower();
    m_settled |= wordsIn(m_label, settledBefore(length), settledBefore(m_label.size()));
}

void TokenPath::leave() {
    const Step step = m_steps.back();
    m_steps.pop_back();
    m_label.truncate(step.length);
    m_settled = step.settled;
}

WordsSeen TokenPath::words() const {
    WordsSeen seen = m_settled;
    seen |= wordsIn(m_label, settledBefore(m_label.size()), m_label.size());
    return seen;
}

} // namespace BrandImporter::Labels
