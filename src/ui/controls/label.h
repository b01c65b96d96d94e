// The label: a caption drawn on its container's surface. It paints its
// container's colour, then its text in the palette's window-text colour, one
// line every LineHeight(font) pixels from its top edge, each line placed left,
// centred or right on its own. Line breaks (CR LF, LF or a lone CR) start new
// lines; tabs go to the next stop, every 8 average character widths; a single
// "&" is not shown and underlines the character after it, "&&" shows one "&".
// A word-wrapping label also breaks lines at spaces to fit its width.
//
// With auto size on (the default) the label takes the size of its text
// whenever the caption, the font or the word-wrap flag changes, keeping its
// left and top edges, then asks its container to lay out its aligned children
// again; the container's alignment rule then wins over the measured size.
#pragma once

#include <QFont>
#include <QSize>
#include <QString>
#include <QWidget>
#include <vector>

class QEvent;
class QPaintEvent;

namespace miravel::ui {

struct LabelLine {
  QString text;        // what is shown; tabs are kept and expanded when measured and painted
  int underline = -1;  // index in `text` of the underlined character, -1 for none
  int width = 0;       // in pixels, tabs expanded
};

struct LabelLayout {
  std::vector<LabelLine> lines;
  QSize size;  // widest line × (number of lines × LineHeight(font))
};

// Splits `caption` into the lines a label shows with `font`. A word-wrapping
// label breaks at spaces to fit `width`; a word wider than `width` keeps a line
// of its own. An empty caption lays out like one space. The "&" rules: an "&"
// that ends a line is not shown and underlines nothing; of several single "&"
// in one line the last one's character is underlined (one underline a line).
LabelLayout LayOutLabelText(const QString& caption, const QFont& font, bool word_wrap, int width);

class Label : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString text READ Caption WRITE SetCaption)

 public:
  explicit Label(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);

  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool word_wrap);

  // Horizontal only: Qt::AlignLeft (the default), Qt::AlignHCenter or Qt::AlignRight.
  Qt::Alignment TextAlignment() const { return text_alignment_; }
  void SetTextAlignment(Qt::Alignment alignment);

  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool auto_size);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Takes the measured size of the text (auto size only), keeping the left
  // and top edges; `realign` asks the container to lay out its children again.
  void AdjustBounds(bool realign);

  QString caption_;
  bool word_wrap_ = false;
  bool auto_size_ = true;
  Qt::Alignment text_alignment_ = Qt::AlignLeft;
};

}  // namespace miravel::ui
