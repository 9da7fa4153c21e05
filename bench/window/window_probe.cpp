// Times the player's answers on the session bus while something hostile
// happens: waits for the player's bus name, optionally floods it with
// calls sent without waiting for replies, then asks PlaybackStatus again
// and again for a while and prints the slowest answer in milliseconds.
//
//   window_probe [--name BUS_NAME_PREFIX] [--volume N] [--open-uri N URI]
//                [--watch SECONDS] [--other]
//
// --other: the Gets come over a connection of their own, as from another
// program on the desktop (a panel) while this one floods.
//
// Prints "worst_ms=<n> answers=<n> gone=<0|1> on_bus_after_ms=<n>" (gone:
// the player left the bus or stopped answering during the watch).
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A blocked player may take minutes before it is on the bus at all.
constexpr int kFindTimeoutMs = 180000;
constexpr int kAnswerTimeoutMs = 120000;
constexpr int kPauseBetweenGetsMs = 20;
const char* const kPath = "/org/mpris/MediaPlayer2";
const char* const kPlayer = "org.mpris.MediaPlayer2.Player";

// The bus name the player is found by: Velmaris unless --name says another
// player (a peer measured the same way).
QString& Prefix() {
  static QString prefix = QStringLiteral("org.mpris.MediaPlayer2.velmaris");
  return prefix;
}

QString FindPlayer(QDBusConnection& bus, QElapsedTimer& t) {
  while (t.elapsed() < kFindTimeoutMs) {
    for (const QString& name : bus.interface()->registeredServiceNames().value())
      if (name.startsWith(Prefix())) return name;
    QThread::msleep(50);
  }
  return {};
}

QDBusMessage Call(const QString& service, const char* iface, const char* method) {
  return QDBusMessage::createMethodCall(service, QString::fromLatin1(kPath), QString::fromLatin1(iface),
                                        QString::fromLatin1(method));
}

} // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int volumeSets = 0, openUris = 0;
  QString uri;
  double watchSeconds = 10;
  bool otherConnection = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--volume") && i + 1 < argc) volumeSets = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--open-uri") && i + 2 < argc) {
      openUris = std::atoi(argv[++i]);
      uri = QString::fromLocal8Bit(argv[++i]);
    } else if (!std::strcmp(argv[i], "--name") && i + 1 < argc) {
      Prefix() = QString::fromLatin1(argv[++i]);
    } else if (!std::strcmp(argv[i], "--other")) {
      otherConnection = true;
    } else if (!std::strcmp(argv[i], "--watch") && i + 1 < argc) watchSeconds = std::atof(argv[++i]);
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  QElapsedTimer found;
  found.start();
  const QString player = FindPlayer(bus, found);
  if (player.isEmpty()) {
    std::printf("worst_ms=-1 answers=0 gone=1 (not on the bus after %d s)\n", kFindTimeoutMs / 1000);
    return 1;
  }
  const qint64 foundMs = found.elapsed();
  QDBusConnection asker =
      otherConnection ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("asker")) : bus;
  // The flood: every call sent at once, no reply awaited.
  for (int i = 0; i < volumeSets; ++i) {
    QDBusMessage set = Call(player, "org.freedesktop.DBus.Properties", "Set");
    set << QString::fromLatin1(kPlayer) << QStringLiteral("Volume")
        << QVariant::fromValue(QDBusVariant(0.2 + 0.6 * (i % 100) / 100.0));
    bus.asyncCall(set, kAnswerTimeoutMs);
  }
  for (int i = 0; i < openUris; ++i) {
    QDBusMessage open = Call(player, kPlayer, "OpenUri");
    open << uri;
    bus.asyncCall(open, kAnswerTimeoutMs);
  }
  qint64 worst = 0;
  int answers = 0;
  bool gone = false;
  QElapsedTimer watch;
  watch.start();
  while (watch.elapsed() < watchSeconds * 1000) {
    QDBusMessage get = Call(player, "org.freedesktop.DBus.Properties", "Get");
    get << QString::fromLatin1(kPlayer) << QStringLiteral("PlaybackStatus");
    QElapsedTimer t;
    t.start();
    const QDBusMessage reply = asker.call(get, QDBus::Block, kAnswerTimeoutMs);
    const qint64 took = t.elapsed();
    if (reply.type() != QDBusMessage::ReplyMessage) {
      gone = true;
      worst = std::max(worst, took);
      break;
    }
    ++answers;
    worst = std::max(worst, took);
    QThread::msleep(kPauseBetweenGetsMs);
  }
  std::printf("worst_ms=%lld answers=%d gone=%d on_bus_after_ms=%lld\n", static_cast<long long>(worst), answers,
              gone ? 1 : 0, static_cast<long long>(foundMs));
  return 0;
}
