#pragma once

class QWidget;
class TZtUrlLabel;

// The product logo of the sign-in and sign-up dialogs (objectName ImgLogo):
// a click opens the service's public web site in the desktop's browser.
TZtUrlLabel *CreateAccountLogo(QWidget *parent);
