#include "shared/OutputCheck.h"

#include "platform/FileChecks.h"
#include "platform/ShownText.h"
#include "shared/FileUtil.h"

namespace tsly {

OutputCheck checkOutputFile(const std::string& out, const std::vector<NamedFile>& inputs, bool overwrite) {
  OutputCheck c;
  const auto refuse = [&c](OutputCheck::Verdict v, std::string message) {
    c.verdict = v;
    c.message = std::move(message);
    return c;
  };
  if (out.empty()) return refuse(OutputCheck::Verdict::NoName, "no output file name");
  // The name and, for a symbolic link, the name it leads to (which a writer
  // would create when it does not exist yet).
  std::string destination = out;
  if (followLinks(destination) != 0) destination = out;
  for (std::size_t k = 0; k < inputs.size(); ++k) {
    if (inputs[k].path.empty() ||
        !(sameFileName(out, inputs[k].path) || (destination != out && sameFileName(destination, inputs[k].path))))
      continue;
    c.input = k;
    return refuse(OutputCheck::Verdict::IsInput, quotedName(out) + " is " + inputs[k].role);
  }
  const FileStatus s = fileStatus(out);
  if (s.kind == FileKind::Missing || s.kind == FileKind::Unreachable) return c;
  if (s.kind != FileKind::Regular)
    return refuse(OutputCheck::Verdict::NotAFile, quotedName(out) + " is " + fileKindText(s.kind) + ", not a file");
  if (!overwrite) return refuse(OutputCheck::Verdict::Exists, quotedName(out) + " exists (use --force to overwrite it)");
  return c;
}

}  // namespace tsly
