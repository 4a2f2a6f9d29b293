#pragma once
// Keyboard filter for the text editors of the factory dialog's grids. Typed characters outside
// the identifier set (letters, digits, space, "-", "_", "/", ">", "<") are refused with a beep
// and the reason in a tooltip at the editor;
// with upperCase, letters are entered in upper case; with a maximum length no character is added
// once the text is full. Editing keys (backspace, arrows, Enter, shortcuts) pass unchanged.

#include <QObject>
#include <QString>

namespace vq {

// The first character of `text` outside the identifier set (empty when there is none).
QString FirstNonNameCharacter(const QString& text);

struct FactoryKeyRules {
    bool upperCase = false;
    int maxLength = 0;  // 0: no limit
};

class FactoryKeyFilter : public QObject {
    Q_OBJECT
  public:
    FactoryKeyFilter(FactoryKeyRules rules, QObject* parent);

  signals:
    // A typed character was refused, with the reason shown.
    void refused(const QString& reason);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    FactoryKeyRules rules_;
};

}  // namespace vq
