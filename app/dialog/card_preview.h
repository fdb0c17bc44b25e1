#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QTimer;

namespace vorn {

class PrintFlow;
class Renderer;
class TMemoryTable;
class TQeRTF;
class WorkFolder;
struct ProgramFolders;

// The card of the chosen layout as it will print, drawn by the renderer into a label of the
// dialog and drawn anew shortly after the operator stops typing. The renderer starts in the
// background when the preview is made; the dialog never waits for it. A card that cannot be
// made (a price that is no number) shows why instead.
class TCardPreview : public QObject {
  Q_OBJECT

 public:
  // What the preview shows: the record's texts in the table's field order, the layout and the
  // day the card hangs.
  struct Card {
    std::vector<std::string> values;
    std::string layout;
    std::chrono::year_month_day day;
  };

  // Draws into `view`; `card` tells what to draw each time. The caller keeps `view` alive.
  TCardPreview(QLabel& view, const ProgramFolders& folders, std::function<Card()> card,
               QObject* parent = nullptr);
  ~TCardPreview() override;

  // The card changed: it is drawn once the operator has paused for a moment.
  void Changed();
  // How many pages have been drawn so far, for tests.
  int Drawn() const { return drawn_; }

  // How long the preview waits after the last change before it draws.
  static constexpr int kPauseMs = 50;

 private:
  void Draw();
  void Poll();
  void ShowText(const QString& text);

  QLabel& view_;
  std::function<Card()> card_;
  std::unique_ptr<WorkFolder> folder_;
  std::unique_ptr<TMemoryTable> table_;
  std::unique_ptr<TQeRTF> report_;
  std::unique_ptr<PrintFlow> flow_;
  std::unique_ptr<Renderer> renderer_;
  QTimer* pause_ = nullptr;
  QTimer* poll_ = nullptr;
  bool waiting_ = false;  // a page is asked for
  bool again_ = false;    // the card changed while a page was being drawn
  int drawn_ = 0;
};

}  // namespace vorn
