#include "capture/CaptureError.h"

#include "core/Localization.h"

QString CaptureError::message() const {
    switch (m_kind) {
    case Kind::noDisplay: return L("Não encontrei a tela para capturar.");
    case Kind::windowGone: return L("A janela foi fechada antes da captura.");
    case Kind::cropFailed: return L("Não consegui recortar a área escolhida.");
    case Kind::windowHidden:
        return L("Essa janela está escondida (Stage Manager, outro Espaço ou minimizada). Traga-a para frente e "
                 "tente de novo.");
    case Kind::platform: return L(LKey(m_detail));
    }
    return {};
}
