// The bus's own floor for the flood bench: a player that does nothing but
// keep a Volume and a PlaybackStatus, served by Qt's own property handling
// on its main thread. What it takes to answer under a flood is what the bus
// (and Qt) cost any player.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>

class FloorPlayer : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
  Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
public:
  explicit FloorPlayer(QObject* parent) : QDBusAbstractAdaptor(parent) {}
  QString PlaybackStatus() const { return QStringLiteral("Playing"); }
  double Volume() const { return volume_; }
  void SetVolume(double volume) { volume_ = volume; }

private:
  double volume_ = 1.0;
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QObject root;
  new FloorPlayer(&root);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject(QStringLiteral("/org/mpris/MediaPlayer2"), &root, QDBusConnection::ExportAdaptors) ||
      !bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.busfloor")))
    return 1;
  return app.exec();
}

#include "bus_floor.moc"
