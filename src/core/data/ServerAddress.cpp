#include "core/data/ServerAddress.h"

#include <functional>
#include <memory>
#include <optional>

#include <QHash>
#include <QRegularExpression>
#include <QUrl>

#include "core/data/LibPq.h"
#include "core/data/TavoError.h"

namespace tavo {

namespace {

// Every statement on the server ends after this time at the latest, so that nothing a database holds
// can keep a planner waiting without end. The longest single statement of a calculation run (writing
// the population rows of all ages) takes well under a second on an office server.
const char* const kStatementTimeout = "-c statement_timeout=60s";

const QString kPasswordWhy = QStringLiteral("das Kennwort gehört nicht in die Adresse, sondern in ~/.pgpass "
                                            "oder die Umgebungsvariable PGPASSWORD");

// The values of a connection string or address as the client library reads them; empty when the
// library refuses the text.
using Values = QHash<QString, QString>;
std::optional<Values> libraryValues(const QString& text) {
    const LibPq& pq = LibPq::get();
    char* error = nullptr;
    std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
        pq.conninfoParse(text.toUtf8().constData(), &error), pq.conninfoFree);
    if (error)
        pq.freemem(error);
    if (!options)
        return std::nullopt;
    Values values;
    for (const PQconninfoOption* o = options.get(); o->keyword; ++o)
        if (o->val)
            values.insert(QString::fromUtf8(o->keyword), QString::fromUtf8(o->val));
    return values;
}

// The names of the settings after "?", as the client library decodes them.
QStringList optionNames(const QString& query) {
    QStringList names;
    for (const QString& item : query.split(QLatin1Char('&'))) {
        const QString name = QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8());
        names << name;
    }
    return names;
}

// Whether a value is one the option takes; a wrong value is refused here with a German message
// instead of the client library's English one.
bool validValue(const QString& name, const QString& value) {
    static const QHash<QString, QStringList> choices = {
        {QStringLiteral("sslmode"),
         {QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
          QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")}},
        {QStringLiteral("target_session_attrs"),
         {QStringLiteral("any"), QStringLiteral("read-write"), QStringLiteral("read-only"),
          QStringLiteral("primary"), QStringLiteral("standby"), QStringLiteral("prefer-standby")}},
    };
    if (choices.contains(name))
        return choices.value(name).contains(value);
    if (name == QLatin1String("connect_timeout")) {
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
        return digits.match(value).hasMatch();
    }
    return !value.isEmpty();
}

// The settings after "?" into the address: the socket folder as its host, the allowed options with
// their values as the client library decoded them.
void takeOptions(ServerAddress& address, const QStringList& names, const Values& values,
                 const std::function<TavoError(const QString&)>& invalid) {
    for (const QString& name : names) {
        const QString value = values.value(name);
        if (name == QLatin1String("host")) {
            // The one form of a host among the settings: the socket folder of the local server.
            if (!address.host.isEmpty() || !value.startsWith(QLatin1Char('/')))
                throw invalid(QStringLiteral("die Einstellung host nennt nur den Ordner des lokalen Sockets "
                                             "(postgresql:///datenbank?host=/var/run/postgresql)"));
            address.host = value;
            continue;
        }
        // The driver reads ";" as the end of a setting.
        if (value.contains(QLatin1Char(';')) || !validValue(name, value))
            throw invalid(QStringLiteral("ungültiger Wert „%1“ der Einstellung %2").arg(value, name));
        address.options.append({name, value});
    }
}

} // namespace

bool ServerAddress::isServerAddress(const QString& location) {
    const QString text = location.trimmed();
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

const QStringList& ServerAddress::allowedOptions() {
    static const QStringList names = {QStringLiteral("sslmode"),
                                      QStringLiteral("sslrootcert"),
                                      QStringLiteral("sslcert"),
                                      QStringLiteral("sslkey"),
                                      QStringLiteral("connect_timeout"),
                                      QStringLiteral("application_name"),
                                      QStringLiteral("target_session_attrs")};
    return names;
}

ServerAddress ServerAddress::parse(const QString& location) {
    const QString text = location.trimmed();
    const std::function<TavoError(const QString&)> invalid = [&text](const QString& why) {
        return TavoError(QStringLiteral("Ungültige Adresse der Benutzerdatenbank „%1“: %2").arg(text, why));
    };
    const QString form = QStringLiteral("erwartet wird postgresql://benutzer@server:port/datenbank");
    if (!isServerAddress(text))
        throw invalid(form);
    // Before anything else: a password anywhere, also inside the value of another setting.
    static const QRegularExpression password(QStringLiteral("password\\s*="),
                                             QRegularExpression::CaseInsensitiveOption);
    if (QUrl::fromPercentEncoding(text.toUtf8()).contains(password))
        throw invalid(kPasswordWhy);
    const int question = text.indexOf(QLatin1Char('?'));
    const QString base = question < 0 ? text : text.left(question);
    const QString query = question < 0 ? QString() : text.mid(question + 1);
    const std::optional<Values> own = libraryValues(base);
    if (!own)
        throw invalid(form);
    const QStringList names = query.isEmpty() ? QStringList() : optionNames(query);
    for (const QString& name : names)
        if (!allowedOptions().contains(name) && name != QLatin1String("host"))
            throw invalid(QStringLiteral("die Einstellung „%1“ ist nicht erlaubt (erlaubt sind %2 und host "
                                         "als Ordner des lokalen Sockets)")
                              .arg(name, allowedOptions().join(QStringLiteral(", "))));
    const std::optional<Values> all = libraryValues(text);
    if (!all)
        throw invalid(form);
    if (own->contains(QStringLiteral("password")))
        throw invalid(kPasswordWhy);

    ServerAddress address;
    address.host = own->value(QStringLiteral("host"));
    address.user = own->value(QStringLiteral("user"));
    address.database = own->value(QStringLiteral("dbname"));
    if (address.host.contains(QLatin1Char(',')))
        throw invalid(QStringLiteral("nur ein Server ist möglich"));
    if (own->contains(QStringLiteral("port"))) {
        bool ok = false;
        address.port = own->value(QStringLiteral("port")).toInt(&ok);
        if (!ok || address.port < 1 || address.port > 65535)
            throw invalid(QStringLiteral("ungültiger Port %1").arg(own->value(QStringLiteral("port"))));
    }
    if (address.database.isEmpty() || address.database.contains(QLatin1Char('/')))
        throw invalid(QStringLiteral("der Name der Datenbank fehlt"));

    takeOptions(address, names, *all, invalid);
    return address;
}

QString ServerAddress::text() const {
    const bool socket = host.isEmpty() || host.startsWith(QLatin1Char('/'));
    if (socket) {
        QString result = QStringLiteral("postgresql://");
        if (!user.isEmpty())
            result += QString::fromUtf8(QUrl::toPercentEncoding(user)) + QLatin1Char('@');
        if (port != 5432)
            result += QStringLiteral(":%1").arg(port);
        result += QLatin1Char('/') + QString::fromUtf8(QUrl::toPercentEncoding(database));
        if (!host.isEmpty())
            result += QStringLiteral("?host=") + host;
        return result;
    }
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setHost(host);
    url.setPort(port);
    if (!user.isEmpty())
        url.setUserName(user);
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}

QString ServerAddress::quotedValue(const QString& value) {
    QString inner = value;
    inner.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    inner.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

QString ServerAddress::connectOptions(bool readOnly) const {
    QStringList settings;
    QStringList given;
    for (const auto& option : options) {
        settings << option.first + QLatin1Char('=') + quotedValue(option.second);
        given << option.first;
    }
    if (!given.contains(QStringLiteral("connect_timeout")))
        settings << QStringLiteral("connect_timeout=10");
    if (!given.contains(QStringLiteral("application_name")))
        settings << QStringLiteral("application_name=TAVO");
    QString serverOptions = QString::fromLatin1(kStatementTimeout);
    if (readOnly)
        serverOptions += QStringLiteral(" -c default_transaction_read_only=on");
    settings << QStringLiteral("options=") + quotedValue(serverOptions);
    return settings.join(QLatin1Char(' '));
}

} // namespace tavo
