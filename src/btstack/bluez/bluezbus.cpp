#include "btstack/bluez/bluezbus.h"

#include <atomic>
#include <cstdlib>

#include <QtDBus/QDBusArgument>
#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusMessage>
#include <QtDBus/QDBusObjectPath>
#include <QtDBus/QDBusVariant>

namespace btstack::bluez {

namespace {

std::string resolvedAddress(const BusOptions& options) {
    if (!options.address.empty())
        return options.address;
    const char* env = std::getenv("HARLUNE_BLUEZ_BUS");
    return env ? std::string(env) : std::string();
}

BluezValue toValue(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return int64_t(v.toLongLong());
    case QMetaType::ULongLong:
        return int64_t(v.toULongLong() & 0x7FFFFFFFFFFFFFFFULL);
    case QMetaType::QString:
        return v.toString().toStdString();
    default:
        if (v.metaType() == QMetaType::fromType<QDBusObjectPath>())
            return v.value<QDBusObjectPath>().path().toStdString();
        return std::monostate{};
    }
}

// a{oa{sa{sv}}}; the signature was checked before, so the reads cannot go out of step.
std::vector<BluezObject> demarshal(const QDBusArgument& arg) {
    std::vector<BluezObject> objects;
    arg.beginMap();
    while (!arg.atEnd()) {
        BluezObject object;
        QDBusObjectPath path;
        arg.beginMapEntry();
        arg >> path;
        object.path = path.path().toStdString();
        arg.beginMap();
        while (!arg.atEnd()) {
            QString iface;
            QVariantMap props;
            arg.beginMapEntry();
            arg >> iface >> props;
            arg.endMapEntry();
            BluezProperties& out = object.interfaces[iface.toStdString()];
            for (auto it = props.cbegin(); it != props.cend(); ++it)
                out[it.key().toStdString()] = toValue(it.value());
        }
        arg.endMap();
        arg.endMapEntry();
        objects.push_back(std::move(object));
    }
    arg.endMap();
    return objects;
}

} // namespace

std::string DescribeBus(const BusOptions& options) {
    const std::string address = resolvedAddress(options);
    return address.empty() ? "the system D-Bus" : "the D-Bus at " + address;
}

bool FetchBluezObjects(const BusOptions& options, std::vector<BluezObject>* objects, std::string* error) {
    // A connection of its own per call: calls come from several stack threads, and a named
    // connection is torn down completely afterwards, so nothing lingers into process exit.
    static std::atomic<unsigned> s_counter{0};
    const QString name = QStringLiteral("harlune-bluez-%1").arg(++s_counter);
    const std::string address = resolvedAddress(options);
    bool ok = false;
    {
        QDBusConnection bus = address.empty()
                                  ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, name)
                                  : QDBusConnection::connectToBus(QString::fromStdString(address), name);
        if (!bus.isConnected()) {
            *error = "cannot reach " + DescribeBus(options) + ": " + bus.lastError().message().toStdString();
        } else {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QStringLiteral("org.bluez"), QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                QStringLiteral("GetManagedObjects"));
            QDBusMessage reply = bus.call(call, QDBus::Block, options.timeoutMs);
            if (reply.type() == QDBusMessage::ErrorMessage) {
                const QString errorName = reply.errorName();
                if (errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                    errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
                    *error = "the Bluetooth service (BlueZ, org.bluez) is not running on " + DescribeBus(options);
                else if (errorName == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
                         errorName == QLatin1String("org.freedesktop.DBus.Error.Timeout"))
                    *error = "the Bluetooth service (BlueZ) did not answer within " +
                             std::to_string(options.timeoutMs) + " ms";
                else
                    *error = "the Bluetooth service (BlueZ) refused the device list: " +
                             reply.errorMessage().toStdString();
            } else if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("a{oa{sa{sv}}}") ||
                       reply.arguments().size() != 1) {
                *error = "the Bluetooth service (BlueZ) sent an unexpected device list";
            } else {
                *objects = demarshal(reply.arguments().at(0).value<QDBusArgument>());
                ok = true;
            }
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return ok;
}

} // namespace btstack::bluez
