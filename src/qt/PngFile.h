// A picture written as a PNG file, whole or not at all (a temporary file
// renamed into place): what "Save PNG..." and tsly's --png write through.
#pragma once

#include <string>

class QImage;

namespace tsly {

// "" when written; else what failed ("cannot encode the picture as PNG", or
// the file's failure).
std::string writePngFile(const QImage& image, const std::string& path);

}  // namespace tsly
