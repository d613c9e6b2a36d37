// The path panel a game window opens over its screen: the list of its paths,
// "快速"/"慢速", "停止" and the close button. A double click on a selected path
// asks for the walk; the window starts it.
#pragma once

#include <string>
#include <vector>

#include <QWidget>

class QListWidget;
class QPushButton;
class QToolButton;

namespace session {

class PathPanel : public QWidget
{
    Q_OBJECT

public:
    explicit PathPanel(QWidget *parent);

    void SetPathNames(const std::vector<std::string> &names);
    // Shows the panel in front with the keyboard on the list.
    void Open();
    // Stands the panel left of `right` and above `bottom` (window coordinates).
    void Place(int right, int bottom);

signals:
    void walkRequested(int row, bool slowMode);
    void stopRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void LayOut();
    void ListBox1DblClick();

    QListWidget *ListBox1 = nullptr;
    QPushButton *BitBtn1 = nullptr;      // "快速" / "慢速"
    QPushButton *StopButton = nullptr;   // "停止"
    QToolButton *SpeedButton6 = nullptr; // "×"
};

} // namespace session
