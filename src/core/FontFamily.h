#pragma once

#include <QString>
#include <QStringList>

// Font families by the name people give them. The font database lists a family that more than one
// foundry makes once per foundry ("Nimbus Sans [urw]", "Nimbus Sans [UKWN]"), while a kit, a token
// file or a guide names the family alone; fonts are matched by that name.
namespace FontFamily {

// The family's name without the foundry the database may add, trimmed: "Nimbus Sans [urw]" gives
// "Nimbus Sans".
QString withoutFoundry(const QString &listed);

// Whether two names are the same family: without foundries, trimmed, in any case.
bool same(const QString &a, const QString &b);

// Each family of a database listing once, without foundry, in the order it first appears.
QStringList distinct(const QStringList &listed);

} // namespace FontFamily
