// The file-information window `tslyfile`: the open file's name, samples and
// sample interval, data type, and the CDP range (after "File Info") or the scan
// progress (during an open). Created once and then only shown and hidden; its
// labels keep their last texts.
#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

namespace tsly {

class FileInfoWindow : public QDialog {
  Q_OBJECT
 public:
  explicit FileInfoWindow(QWidget* parent = nullptr);

  QLabel* label1() const { return label1_; }  // progress or CDP range
  QLabel* label2() const { return label2_; }  // samples, interval, data type
  QLabel* label3() const { return label3_; }  // file name

  // The file name in Label3: wrapped, its middle left out when it is too long
  // for the label, and always whole in the label's tool tip.
  void setFileName(const std::string& name);

  // Texts arrive with CR LF line breaks; the labels break lines at LF.
  static void setLabelText(QLabel* label, const std::string& text);
  static std::string labelText(const QLabel* label);

  // Centre over `owner`: left = owner left + (owner width - width) / 2, the same
  // for top; in twips at the window's logical DPI (fractions rounded to pixels).
  void centreOver(const QWidget* owner);

 public slots:
  // "Done": hide, keeping the texts.
  void infodone();

 private:
  QGroupBox* frame_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QLabel* label3_ = nullptr;
  QPushButton* done_ = nullptr;
};

}  // namespace tsly
