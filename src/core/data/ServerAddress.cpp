#include "core/data/ServerAddress.h"

#include <QUrl>
#include <QUrlQuery>

#include "core/data/TavoError.h"

bool ServerAddress::isServerAddress(const QString& location) {
    const QString text = location.trimmed();
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

ServerAddress ServerAddress::parse(const QString& location) {
    const QString text = location.trimmed();
    const QUrl url(text, QUrl::StrictMode);
    const auto invalid = [&text](const QString& why) {
        return TavoError(QStringLiteral("Ungültige Adresse der Benutzerdatenbank „%1“: %2").arg(text, why));
    };
    if (!isServerAddress(text) || !url.isValid())
        throw invalid(QStringLiteral("erwartet wird postgresql://benutzer@server:port/datenbank"));
    if (!url.password().isEmpty())
        throw invalid(QStringLiteral("das Kennwort gehört nicht in die Adresse, sondern in ~/.pgpass oder die "
                                     "Umgebungsvariable PGPASSWORD"));
    ServerAddress address;
    address.host = url.host();
    address.port = url.port(5432);
    address.user = url.userName();
    address.database = url.path().mid(1);
    if (address.host.isEmpty())
        throw invalid(QStringLiteral("der Server fehlt"));
    if (address.database.isEmpty() || address.database.contains(QLatin1Char('/')))
        throw invalid(QStringLiteral("der Name der Datenbank fehlt"));
    QStringList options;
    for (const auto& item : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (item.first.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0)
            throw invalid(QStringLiteral("das Kennwort gehört nicht in die Adresse, sondern in ~/.pgpass oder die "
                                         "Umgebungsvariable PGPASSWORD"));
        if (item.first.contains(QLatin1Char(';')) || item.second.contains(QLatin1Char(';')))
            throw invalid(QStringLiteral("ungültige Einstellung %1").arg(item.first));
        options << item.first + QLatin1Char('=') + item.second;
    }
    address.options = options.join(QLatin1Char(';'));
    return address;
}

QString ServerAddress::text() const {
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setHost(host);
    url.setPort(port);
    if (!user.isEmpty())
        url.setUserName(user);
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}
