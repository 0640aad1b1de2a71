#include "bench_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace korvel::bench {

herd::HerdSummary generateMillionCowHerd(const QString& dir) { return herd::generateHerd(dir, defaultShapedHerd()); }

QString temporaryMillionCowHerd(const std::function<void(const QString&)>& prepare) {
  static std::unique_ptr<QTemporaryDir> dir = [&] {
    auto d = std::make_unique<QTemporaryDir>();
    if (prepare) prepare(d->path());
    generateMillionCowHerd(d->path());
    return d;
  }();
  return dir->path();
}

herd::HerdOptions defaultShapedHerd() {
  herd::HerdOptions o;
  o.cows = kHerdCows;
  return o;
}

herd::HerdOptions herdBookShapedHerd() {
  herd::HerdOptions o;
  o.cows = kHerdCows;
  o.bulls = 10'170;
  o.popularity = 2.1;
  o.herdBookCodes = true;
  o.narrowFields = true;
  return o;
}

QString benchHerd(const QString& name, const herd::HerdOptions& o) {
  static std::map<QString, std::unique_ptr<QTemporaryDir>> temporary;
  static std::map<QString, QString> made;
  if (const auto it = made.find(name); it != made.end()) return it->second;

  const QByteArray kept = qgetenv("KORVEL_BENCH_HERDS");
  QString dir;
  if (kept.isEmpty()) {
    dir = temporary.emplace(name, std::make_unique<QTemporaryDir>()).first->second->path();
  } else {
    dir = QDir(QString::fromLocal8Bit(kept)).filePath(name);
    QDir().mkpath(dir);
  }
  // What the folder was made with, written last: a folder without it is made again.
  const QByteArray stamp = QStringLiteral("cows %1 bulls %2 regions %3 farms %4 breeds %5 seed %6 herd-book %7 narrow %8 popularity %9\n")
                               .arg(o.cows).arg(o.bulls).arg(o.regions).arg(o.farmsPerRegion).arg(o.breeds)
                               .arg(o.seed).arg(o.herdBookCodes).arg(o.narrowFields).arg(o.popularity).toUtf8();
  QFile stampFile(QDir(dir).filePath(QStringLiteral("herd-options.txt")));
  const bool ready = stampFile.open(QIODevice::ReadOnly) && stampFile.readAll() == stamp;
  stampFile.close();
  if (!ready) {
    stampFile.remove();
    herd::generateHerd(dir, o);
    if (!stampFile.open(QIODevice::WriteOnly) || stampFile.write(stamp) != stamp.size()) qFatal("cannot write the herd stamp");
  }
  return made[name] = dir;
}

void readFileBytes(benchmark::State& state, const QString& path) {
  const QByteArray name = path.toLocal8Bit();
  std::vector<char> buf(size_t(1) << 20);
  int64_t bytes = 0;
  for (auto _ : state) {
    const int fd = ::open(name.constData(), O_RDONLY);
    if (fd < 0) {
      state.SkipWithError("cannot open the table file");
      break;
    }
    ssize_t n;
    while ((n = ::read(fd, buf.data(), buf.size())) > 0) bytes += n;
    ::close(fd);
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(bytes);
}

}  // namespace korvel::bench
