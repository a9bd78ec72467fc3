VERSION 5.00
Begin VB.Form frmMain 
   Caption         =   "Main"
   ClientHeight    =   3195
   Begin VB.CommandButton cmdOK 
      Caption         =   "OK"
      BeginProperty Font 
         Name            =   "MS Sans Serif"
         Size            =   8.25
      EndProperty
      Height          =   375
      Left            =   120
      TabIndex        =   0
      ToolTipText     =   "Old"
      Top             =   2640
      Width           =   1215
   End
   Begin VB.Timer tmrPoll 
      Interval        =   500
   End
End
Attribute VB_Name = "frmMain"
Option Explicit
