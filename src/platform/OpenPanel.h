#pragma once

#include "platform/SharedService.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

// What an open panel asks: a line saying what the file is for, the label of its accept button (empty:
// the platform's), the file-name patterns it offers ("*.png") and the name of those files in its
// filter ("Arquivos de logo (*.png *.svg …)").
struct OpenRequest {
    QString message;
    QString prompt;
    QStringList patterns;
    QString typeName;
};

// The modal panel that chooses one existing file; tests substitute their own so that nothing waits on
// a dialog.
class OpenPanel : public SharedService<OpenPanel> {
public:
    virtual ~OpenPanel() = default;
    // The chosen file; none when the user cancels.
    virtual std::optional<QString> run(const OpenRequest &request) = 0;
};
template <>
OpenPanel &SharedService<OpenPanel>::real();

} // namespace platform
