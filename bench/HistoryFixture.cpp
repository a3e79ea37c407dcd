#include "HistoryFixture.h"

#include "BusyDesktop.h"

#include "core/Settings.h"
#include "history/HistoryIndexFile.h"
#include "history/HistoryStore.h"
#include "platform/AtomicFile.h"
#include "platform/HeifCodec.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QRandomGenerator>

#include <malloc.h>

namespace historyfixture {

namespace {

const QStringList &words() {
    static const QStringList list =
        QStringLiteral(
            "Configurações da Conta Relatório Anual Salvar alterações Cancelar Início Perfil Usuário Senha "
            "Notificações Preferências Histórico Buscar Ajuda Sair Próximo Anterior Página Ação Opções Edição "
            "Visualização Exportar Importar Arquivo Pasta Conexão Segurança Privacidade Informações Contato "
            "Endereço Número Cartão Pagamento Pedido Entrega Atualização Versão Avançado Configuração "
            "Settings Account Annual Report Save changes Cancel Home Profile User Password Notifications "
            "Preferences History Search Help Sign out Next Previous Page Action Options Edit View Export "
            "Import File Folder Connection Security Privacy Information Contact Address Number Card Payment "
            "Order Delivery Update Version Advanced dashboard deploy pipeline build error warning São Paulo "
            "João Conceição maçã coração não também está você é à ó ü ñ 2024 15:42 R$ 1.234,56 #4821 OK")
            .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return list;
}

QImage capturePicture(QRandomGenerator &random) {
    QImage image(160, 100, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(random.bounded(256), random.bounded(256), random.bounded(256)));
    QPainter painter(&image);
    for (int i = 0; i < 4; ++i)
        painter.fillRect(random.bounded(140), random.bounded(80), 20 + random.bounded(40), 6 + random.bounded(12),
                         QColor::fromRgb(random.generate() & 0xFFFFFF));
    return image;
}

} // namespace

std::unique_ptr<testsupport::FixedFileDates> Fixture::fileDates() const {
    auto fixed = std::make_unique<testsupport::FixedFileDates>();
    for (auto it = dates.cbegin(); it != dates.cend(); ++it) fixed->insert(it.key(), it.value());
    return fixed;
}

QString captureText(quint32 seed, int bytes) {
    QRandomGenerator random(seed);
    const QStringList &vocabulary = words();
    QString text;
    while (text.toUtf8().size() < bytes) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        const int count = 2 + int(random.bounded(9));
        for (int i = 0; i < count; ++i) {
            if (i) text += QLatin1Char(' ');
            text += vocabulary[random.bounded(int(vocabulary.size()))];
        }
    }
    return text;
}

namespace {

// A desktop of one of four screens, coded as the recents keep it; each screen is coded once.
QByteArray screenHeic(int screen) {
    static QHash<int, QByteArray> coded;
    auto known = coded.constFind(screen % 4);
    if (known == coded.cend())
        known = coded.insert(screen % 4,
                             platform::HeifCodec::encode(busyDesktop(QSize(1920, 1080), screen % 4), 0.92).value());
    return *known;
}

} // namespace

Fixture make(const QString &root, int count, quint32 seed, const QDateTime &now, Captures captures) {
    Fixture fixture;
    fixture.recentsFolder = root + QStringLiteral("/Recentes");
    fixture.indexPath = root + QStringLiteral("/Indice-do-historico.json");
    QDir().mkpath(fixture.recentsFolder);
    QRandomGenerator random(seed);
    // 18 months, in seconds; a few dozen screens, a day's captures.
    const qint64 span = captures == Captures::screenHeic ? qint64(8) * 3600 : qint64(548) * 24 * 3600;
    HistoryRecords records;
    for (int i = 0; i < count; ++i) {
        const QDateTime date = now.addSecs(-qint64(random.bounded(quint64(span))));
        const QString stem =
            QStringLiteral("Pelicarta ") + QLocale::c().toString(date, QStringLiteral("yyyy-MM-dd HH.mm.ss"));
        const bool heic = captures == Captures::screenHeic;
        const QString extension = heic ? QStringLiteral("heic") : QStringLiteral("png");
        QString name = stem + QLatin1Char('.') + extension;
        for (int n = 2; fixture.dates.contains(name); ++n)
            name = QStringLiteral("%1 (%2).%3").arg(stem).arg(n).arg(extension);
        const QString path = fixture.recentsFolder + QLatin1Char('/') + name;
        QSize size(1920, 1080);
        if (heic) {
            platform::writeFileAtomically(path, screenHeic(i));
        } else {
            const QImage picture = capturePicture(random);
            picture.save(path, "png");
            size = picture.size();
        }
        fixture.dates.insert(name, date);
        const QByteArray text = captureText(random.generate(), 2000).toUtf8();
        fixture.textBytes += text.size();
        records.insert(name, HistoryRecord::of(text, size.width(), size.height(), QFileInfo(path).size()));
    }
    platform::writeFileAtomically(fixture.indexPath, HistoryIndexFile::serialize(records));
    return fixture;
}

Scale &tenThousand() {
    static Scale *made = [] {
        auto *s = new Scale;
        s->fixture = make(s->root.path(), kScale, 2026, QDateTime::currentDateTime());
        s->defaults = std::make_unique<platform::UserDefaults>(s->root.filePath(QStringLiteral("defaults.json")));
        s->defaults->setInt(Settings::historyKeep.key(), RecentsStore::unlimited);
        s->dates = s->fixture.fileDates();
        s->recents = std::make_unique<RecentsStore>(*s->defaults, s->fixture.recentsFolder);
        return s;
    }();
    return *made;
}

double heapInUse() { return double(mallinfo2().uordblks); }

std::unique_ptr<HistoryStore> loadedStore(const QString &indexPath, const RecentsStore *recents) {
    HistoryStore::Options options;
    options.indexPath = indexPath;
    options.files = [recents] { return (recents ? *recents : *tenThousand().recents).allFiles(); };
    auto store = std::make_unique<HistoryStore>(options);
    QEventLoop loop;
    QObject::connect(store.get(), &HistoryStore::entriesChanged, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    return store;
}

} // namespace historyfixture
