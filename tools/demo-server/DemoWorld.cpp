#include "DemoWorld.h"

#include "DemoText.h"

#include <array>
#include <cstring>

namespace demo {
namespace {

struct RoomSource
{
    const char *shortName;
    const char *title; // how the short name is shown, with its colours
    std::initializer_list<const char *> description;
    std::initializer_list<RoomExit> exits;
    bool dogGreets;
};

// clang-format off
const std::array<RoomSource, 6> kRooms = {{
    {"客店", SGR("1;36") "客店" RESET,
     {"    这是一家价钱低廉的" SGR("33") "客店" RESET "，生意非常兴隆。外地游客多选择这里落脚，",
      "你可以在这里打听到各地的风土人情。店小二里里外外忙得团团转，接待着南腔北调",
      "的客人。墙上挂着一块" SGR("41") SGR("1;33") "招牌" RESET "，写着：",
      "\t\t" SGR("1;37") "「客来客往，宾至如归」" RESET_SHORT},
     {{"north", 1}, {"east", 2}}, false},
    {"中央广场", SGR("1;36") "中央广场" RESET,
     {"    这里是城市的正中心，一个很宽阔的广场，铺着" SGR("37") "青石" RESET "地面。一些游手好闲的人",
      "在这里溜溜达达，经常有艺人在这里表演。一只" SGR("1;33") "小狗" RESET "正趴在地上晒太阳，",
      "见你过来，摇了摇尾巴。广场中央立着一座" SGR("1;35") "钟楼" RESET "，可以上去看看。"},
     {{"north", 3}, {"south", 0}, {"west", 4}, {"up", 5}}, true},
    {"马厩", SGR("1;36") "马厩" RESET,
     {"    这是客店后的马厩，常年供应" SGR("32") "新鲜草料" RESET "。马夫们牵着马来来往往，",
      "空气中混着干草和马粪的味道。\t" SGR("1;32") "(stable)" RESET},
     {{"west", 0}}, false},
    {"北大街", SGR("1;36") "北大街" RESET,
     {"    你走在一条繁华的街道上，向北望去是" SGR("1;34") "巍峨的城门" RESET "，但守卫不让你出城。",
      "两旁是" SGR("31") "酒楼" RESET "、" SGR("35") "绸缎庄" RESET "和" SGR("33") "当铺" RESET "，叫卖声此起彼伏。"},
     {{"south", 1}}, false},
    {"钱庄", SGR("1;36") "钱庄" RESET,
     {"    这是一家老字号的钱庄，已有几百年的历史。柜台后坐着一位" SGR("1;37") SGR("44") "钱老板" RESET "，",
      "正眯着眼睛拨弄算盘。墙上贴着告示：",
      SGR("1;33;44") "  存款 deposit\t取款 withdraw\t兑换 convert  " RESET},
     {{"east", 1}}, false},
    {"钟楼", SGR("1;36") "钟楼" RESET,
     {"    你站在钟楼顶上，一口" SGR("1;31") "铜钟" RESET "挂在梁下。凭栏远眺，整座城市尽收眼底，",
      "城外的" SGR("32") "青山" RESET "连绵起伏，一条" SGR("36") "大江" RESET "从天边流过。"},
     {{"down", 1}}, false},
}};

const std::array<std::pair<const char *, const char *>, 12> kDirections = {{
    {"n", "north"}, {"north", "north"}, {"s", "south"}, {"south", "south"},
    {"e", "east"},  {"east", "east"},   {"w", "west"},  {"west", "west"},
    {"u", "up"},    {"up", "up"},       {"d", "down"},  {"down", "down"},
}};
// clang-format on

QList<Room> BuildRooms()
{
    QList<Room> rooms;
    for (const RoomSource &source : kRooms) {
        Room room;
        room.shortName = Gbk(source.shortName);
        room.exits = QList<RoomExit>(source.exits.begin(), source.exits.end());
        room.dogGreets = source.dogGreets;
        room.text = GbkLine(source.title);
        for (const char *line : source.description)
            room.text += GbkLine(line);
        room.text += ExitsLine(room.exits);
        rooms.append(room);
    }
    return rooms;
}

} // namespace

const QList<Room> &Rooms()
{
    static const QList<Room> rooms = BuildRooms();
    return rooms;
}

const char *DirectionName(const QByteArray &word)
{
    for (const auto &[typed, full] : kDirections) {
        if (word == typed)
            return full;
    }
    return nullptr;
}

int FollowExit(int room, const char *direction)
{
    for (const RoomExit &exit : Rooms().at(room).exits) {
        if (std::strcmp(exit.direction, direction) == 0)
            return exit.target;
    }
    return -1;
}

QByteArray ExitsLine(const QList<RoomExit> &exits)
{
    if (exits.isEmpty())
        return GbkLine("这里没有任何明显的出路。");
    if (exits.size() == 1)
        return Gbk("这里唯一的出口是 ") + exits.front().direction + Gbk("。") + "\r\n";
    QByteArray line = Gbk("这里明显的出口是 ");
    for (qsizetype i = 0; i < exits.size(); ++i) {
        if (i == exits.size() - 1)
            line += Gbk(" 和 ");
        else if (i > 0)
            line += Gbk("、");
        line += exits[i].direction;
    }
    return line + Gbk("。") + "\r\n";
}

QByteArray Banner()
{
    // clang-format off
    static const QByteArray banner =
        Gbk(CLEAR_SCREEN) +
        GbkLine(SGR("1;33;44") "  ★  欢迎光临  Quorvel Demo MUD  ★  " RESET) +
        GbkLine("") +
        GbkLine(SGR("1;31") "      江" SGR("1;32") "湖" SGR("1;33") "演" SGR("1;34") "示" SGR("1;35") "站" RESET
                "   " SGR("36") "~~~ a tiny local game ~~~" RESET_SHORT) +
        GbkLine(SGR("37") "  本站只在本机运行，专供试用客户端：颜色、中文、触发和大量输出。" RESET) +
        GbkLine(SGR("33") "  编码：" RESET "\tGBK\t" SGR("33") "换行：" RESET "\tCR LF\t" SGR("33") "协议：" RESET "\traw TCP") +
        GbkLine(SGR("42") SGR("30") " 提示 " RESET " 登录后输入 " SGR("1;32") "help" RESET " 查看所有命令。") +
        GbkLine("");
    // clang-format on
    return banner;
}

QByteArray NamePrompt()
{
    return Gbk("请输入你的英文名字：");
}

QByteArray HelpText()
{
    // clang-format off
    static const QByteArray help =
        GbkLine(SGR("1;33") "可用的命令：" RESET) +
        GbkLine("  look, l          看看四周") +
        GbkLine("  n s e w u d      向北、南、东、西、上、下走（也可以写 north、south ……）") +
        GbkLine("  say <话>         说话，小狗会学你说") +
        GbkLine("  dog              逗一逗小狗") +
        GbkLine("  cls              清除屏幕") +
        GbkLine("  flood <行数>     一口气送出许多行，试试客户端的速度") +
        GbkLine("  telnet           送出真实服务器常见的 telnet 命令，屏幕上不该看到它们") +
        GbkLine("  password         请你输入一个密码：输入时只显示圆点，也不会回显") +
        GbkLine("  encoding <编码>  换一种编码说话：utf8、gbk 或 big5") +
        GbkLine("  negotiation      看看和客户端协商了什么：压缩、窗口大小、终端类型、字符集") +
        GbkLine("  help             显示这份说明") +
        GbkLine("  quit             离开游戏");
    // clang-format on
    return help;
}

QByteArray DogLine(const QByteArray &said)
{
    return Gbk("小狗对你说道：") + said + "\r\n";
}

QByteArray FloodLine(qint64 number)
{
    // Encoded once: a flood of a few hundred thousand lines should cost the server
    // little more than the socket writes.
    // clang-format off
    static const std::array<QByteArray, 8> bodies = {
        Gbk("【闲聊】张三(zhangsan)：今天天气不错，大家一起去钟楼看看吧！"),
        Gbk("你向北走去，路边的 hawker 正在吆喝：新鲜的包子，两文钱一个！"),
        Gbk("战斗：你的攻击\t命中\t对手，造成了 37 点伤害。"),
        Gbk("【谣言】某人：听说钱庄的钱老板最近收了一大笔 silver。"),
        Gbk("HP: 812/1000\tMP: 455/600\t经验：123456\t潜能：789"),
        Gbk("店小二笑咪咪地说道：这位客官，里面请！The inn is open."),
        Gbk("一阵风吹过，树叶沙沙作响。A gentle breeze blows by."),
        Gbk("【系统】服务器时间\t12:34:56\t在线人数：42"),
    };
    static const std::array<QByteArray, 7> colours = {
        SGR("31"), SGR("1;32"), SGR("33"), SGR("1;34"), SGR("35"), SGR("1;36"), SGR("1;33;44"),
    };
    // clang-format on
    QByteArray line;
    line.reserve(96);
    // Three lines in ten are coloured, the rest plain.
    const bool coloured = number % 10 == 1 || number % 10 == 4 || number % 10 == 7;
    if (coloured)
        line += colours[number % colours.size()];
    line += '#';
    line += QByteArray::number(number);
    line += ' ';
    line += bodies[number % bodies.size()];
    if (coloured)
        line += number % 2 ? RESET : RESET_SHORT;
    line += "\r\n";
    return line;
}

} // namespace demo
