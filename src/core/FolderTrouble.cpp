#include "core/FolderTrouble.h"

#include "core/Localization.h"

namespace FolderTrouble {

QString reason(platform::PrivateFolder::Problem problem) {
    using Problem = platform::PrivateFolder::Problem;
    switch (problem) {
    case Problem::none: break;
    case Problem::link: return L("é um link simbólico");
    case Problem::notOurs: return L("pertence a outro usuário");
    case Problem::open: return L("outros usuários podem gravar nela");
    case Problem::cannotCreate: return L("não pôde ser criada");
    }
    return {};
}

QString reason(platform::PrivateFolder::Problem problem, const QString &writeError) {
    return problem == platform::PrivateFolder::Problem::none ? writeError : reason(problem);
}

} // namespace FolderTrouble
