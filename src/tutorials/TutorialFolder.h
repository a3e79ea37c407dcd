#pragma once

#include <QString>
#include <QStringList>

// The files of one tutorial's folder that are ours: "tutorial.json" and the step pictures. A user may
// keep files of their own beside them (the folder lives among their documents); nothing here removes
// or copies a file it was not named, and a folder goes only once nothing is left in it.
namespace TutorialFolder {

const QString &documentName();
// "passo-" + 8 upper-case hexadecimal digits + ".png": the name a recorded step's picture gets.
QString newStepPictureName();
bool isStepPictureName(const QString &name);
// The step pictures of our naming directly inside `folder`, whichever steps name them.
QStringList stepPictures(const QString &folder);

// Removes the named regular files directly inside `folder` (a private folder of ours: see
// platform::PrivateFolder::removeFile), then the folder itself when nothing else is left in it.
// Returns whether the folder is gone.
bool removeFiles(const QString &folder, const QStringList &names);

// Makes the new private folder `to` and copies into it the named files of `from` (a name without a
// regular file is passed over). When anything fails, what was copied is removed again with the
// folder, and the result is false.
bool copyFiles(const QString &from, const QString &to, const QStringList &names);

} // namespace TutorialFolder
