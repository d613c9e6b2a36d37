// The site dialog "书签": picks or records a game site and edits the SOCKS5 proxy
// settings; the main frame shows it modally before it opens a game window.
#pragma once

#include "core/sites/SiteFile.h"

#include <filesystem>
#include <string>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QShowEvent;

namespace sites {

class TBookMark : public QDialog
{
    Q_OBJECT

public:
    // Reads the ini file of `programDir` once, here; later writes go to the
    // folder last given to SetProgramDir (at first `programDir` itself).
    explicit TBookMark(const std::filesystem::path &programDir, QWidget *parent = nullptr);

    // The folder the ini file is written to; the main frame hands over its
    // start folder before each show.
    void SetProgramDir(const std::filesystem::path &dir);
    const std::filesystem::path &programDir() const { return programDir_; }

    // What the main frame reads after exec(). Texts are GBK bytes.
    // True only after "确定" went through; reset whenever the dialog is shown.
    bool accepted() const { return accepted_; }
    // The chosen site's profile path as stored: " " (blank) when it has none.
    std::string chosenProfile() const { return chosenProfile_; }
    // The address and name fields, trimmed as the site list stores them, so the
    // name matches the site's key when the window later reports its profile.
    std::string hostAddress() const;
    std::string siteNameField() const;
    // The port fields as numbers; 0 when a field does not hold a usable port
    // (never after "确定" went through).
    int hostPort() const;
    int proxyPort() const;
    // The encoding choice and the telnet switch as they stand (after "确定":
    // the chosen site's, as stored).
    sites::SiteOptions chosenOptions() const;
    bool useProxy() const;
    std::string proxyHost() const;
    bool proxyAuth() const;
    std::string proxyUser() const;
    std::string proxyPassword() const;
    // The site is reached over TLS.
    bool useTls() const;

    // A window opened from site `siteName` saved or loaded `profilePath`: the
    // first site of that exact name remembers it and the ini file is written.
    // False (and nothing written) when no site bears the name.
    bool UpdateProfileFor(const std::string &siteName, const std::string &profilePath);

    const sites::SiteList &siteList() const { return sites_; }

    // The controls, by the names the rest of the program and the tests use.
    QListWidget *ListBox1;
    QLineEdit *getName;
    QLineEdit *getAddress;
    QLineEdit *getPort;
    QCheckBox *CheckBox3; // "加密连接 (TLS)"
    QComboBox *ComboBox1; // "编码": 自动, GBK, GB18030, UTF-8, Big5
    QCheckBox *CheckBox4; // "协商 telnet 选项"
    QCheckBox *CheckBox1;
    QLineEdit *Edit1;
    QLineEdit *Edit2;
    QCheckBox *CheckBox2;
    QLineEdit *Edit3;
    QLineEdit *Edit4;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    QPushButton *BitBtn3;

    void ListBox1Click();
    void getAddressChange();
    // True when the key is swallowed: the port field takes digits only.
    bool getPortKeyPress(const QKeyEvent *event) const;
    void CheckBox1Click();
    void CheckBox2Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildControls();
    // The row selected in ListBox1, or -1.
    int SelectedRow() const;
    void FormCreate(const std::filesystem::path &dir);
    void ApplyEnabling();
    void SetOptionFields(const sites::SiteOptions &options);
    // The proxy fields as the site list writes them.
    sites::ProxySettings ProxyFromFields() const;
    // Writes the ini file; a failure is shown and otherwise ignored.
    void WriteSiteFile();

    std::filesystem::path programDir_;
    sites::SiteList sites_;
    sites::ProxyEnabling enabling_;
    // The press that began the current click already filled the fields.
    bool filledByPress_ = false;
    bool accepted_ = false;
    std::string chosenProfile_;
};

} // namespace sites
