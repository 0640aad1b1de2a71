#include "bench_support.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace korvel::bench {

herd::HerdSummary generateMillionCowHerd(const QString& dir) {
  herd::HerdOptions o;
  o.cows = kHerdCows;
  return herd::generateHerd(dir, o);
}

QString temporaryMillionCowHerd(const std::function<void(const QString&)>& prepare) {
  static std::unique_ptr<QTemporaryDir> dir = [&] {
    auto d = std::make_unique<QTemporaryDir>();
    if (prepare) prepare(d->path());
    generateMillionCowHerd(d->path());
    return d;
  }();
  return dir->path();
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
