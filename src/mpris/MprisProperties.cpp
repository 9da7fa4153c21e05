#include "mpris/MprisProperties.h"

#include <QDBusAbstractAdaptor>
#include <QDBusError>
#include <QDBusVariant>
#include <QMetaProperty>
#include <QVariantMap>

#include "mpris/MprisInput.h"
#include "mpris/MprisService.h"

namespace {

class PropertiesAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.Properties")
  // Described once, by Qt's own description of the standard interface.
  Q_CLASSINFO("D-Bus Introspection", "")
public:
  explicit PropertiesAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

public slots:
  // A read waits for the commands sent before it (the value returned then
  // is not sent: the service answers later).
  QDBusVariant Get(const QString& interface, const QString& name) {
    QObject* adaptor = nullptr;
    const QMetaProperty property = Find(interface, name, adaptor);
    if (!adaptor) return QDBusVariant(QVariant(0));
    if (service_->AnswerLater([property, adaptor] { return QVariant::fromValue(QDBusVariant(property.read(adaptor))); }))
      return QDBusVariant(QVariant(0));
    return QDBusVariant(property.read(adaptor));
  }

  QVariantMap GetAll(const QString& interface) {
    QObject* adaptor = AdaptorOf(interface);
    if (!adaptor) {
      Refuse(QDBusError::UnknownInterface, QStringLiteral("No interface %1").arg(interface));
      return {};
    }
    const auto readAll = [adaptor] {
      QVariantMap all;
      const QMetaObject* meta = adaptor->metaObject();
      for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        all.insert(QString::fromLatin1(meta->property(i).name()), meta->property(i).read(adaptor));
      return all;
    };
    if (service_->AnswerLater([readAll] { return QVariant(readAll()); })) return {};
    return readAll();
  }

  void Set(const QString& interface, const QString& name, const QDBusVariant& value) {
    QObject* adaptor = nullptr;
    const QMetaProperty property = Find(interface, name, adaptor);
    if (!adaptor) return;
    if (!property.isWritable())
      return Refuse(QDBusError::PropertyReadOnly, QStringLiteral("%1 cannot be set").arg(name));
    const QString refusal = MprisInput::PropertyValueRefusal(name, value.variant());
    if (!refusal.isEmpty()) return Refuse(QDBusError::InvalidArgs, refusal);
    property.write(adaptor, value.variant());
  }

private:
  // The adaptor of the service that gives `interface` ("" for any that has
  // a property of that name is taken by Find).
  QObject* AdaptorOf(const QString& interface) const {
    for (QObject* child : service_->children()) {
      auto* adaptor = qobject_cast<QDBusAbstractAdaptor*>(child);
      if (!adaptor || adaptor == this) continue;
      const QMetaObject* meta = adaptor->metaObject();
      const int info = meta->indexOfClassInfo("D-Bus Interface");
      if (info >= 0 && interface == QLatin1String(meta->classInfo(info).value())) return adaptor;
    }
    return nullptr;
  }

  // The property `name` of `interface`; adaptor stays null (and the caller
  // has its error) when there is none.
  QMetaProperty Find(const QString& interface, const QString& name, QObject*& adaptor) {
    adaptor = nullptr;
    QObject* owner = AdaptorOf(interface);
    if (!owner) {
      Refuse(QDBusError::UnknownInterface, QStringLiteral("No interface %1").arg(interface));
      return {};
    }
    const int index = owner->metaObject()->indexOfProperty(name.toLatin1().constData());
    if (index < owner->metaObject()->propertyOffset()) {
      Refuse(QDBusError::UnknownProperty, QStringLiteral("No property %1 in %2").arg(name, interface));
      return {};
    }
    adaptor = owner;
    return owner->metaObject()->property(index);
  }

  void Refuse(QDBusError::ErrorType type, const QString& text) {
    service_->RefuseCall(QDBusError::errorString(type), text);
  }

  MprisService* service_;
};

} // namespace

void AddMprisProperties(MprisService& service) { new PropertiesAdaptor(&service); }

#include "MprisProperties.moc"
