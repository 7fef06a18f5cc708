#include "qt/PngFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "platform/AtomicFile.h"

namespace tsly {

std::string writePngFile(const QImage& image, const std::string& path) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return "cannot encode the picture as PNG";
  AtomicFile file;
  if (file.open(path) && file.write(bytes.constData(), static_cast<std::size_t>(bytes.size()))) file.commit();
  return file.error();
}

}  // namespace tsly
