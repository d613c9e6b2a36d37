// The demo server's little world: its rooms, the fixed screens (banner, help) and
// the lines of the flood command, all as ready-to-send GBK bytes.
#pragma once

#include <QByteArray>
#include <QList>

namespace demo {

struct RoomExit
{
    const char *direction; // full English name, as shown in the exits line
    int target;            // index into Rooms()
};

struct Room
{
    QByteArray shortName; // plain GBK, e.g. "客店"
    QByteArray text;      // title, coloured description and exits line, CR LF ends
    QList<RoomExit> exits;
    bool dogGreets = false; // the dog greets whoever walks in
};

// All rooms; index 0 is where a player starts.
const QList<Room> &Rooms();

// Full direction name ("north") for a typed one ("n" or "north"), or nullptr when the
// word is not a direction at all.
const char *DirectionName(const QByteArray &word);

// Index of the room reached from `room` by `direction`, or -1 when there is no exit.
int FollowExit(int room, const char *direction);

// "这里明显的出口是 north 和 east。" for the given exits.
QByteArray ExitsLine(const QList<RoomExit> &exits);

QByteArray Banner();     // the colourful greeting, ends with a line end
QByteArray NamePrompt(); // the name question, no line end
QByteArray HelpText();
QByteArray DogLine(const QByteArray &said); // "小狗对你说道：" + said + CR LF

// Line `number` (1-based) of a flood: Chinese and ASCII, some coloured, some with TABs.
// It carries "#<number> " so a reader can tell lines were neither lost nor reordered.
QByteArray FloodLine(qint64 number);

} // namespace demo
