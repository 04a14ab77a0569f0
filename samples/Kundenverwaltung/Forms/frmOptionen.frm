VERSION 5.00
Begin VB.Form frmOptionen 
   BorderStyle     =   3  'Fester Dialog
   Caption         =   "Einstellungen"
   ClientHeight    =   3975
   ClientLeft      =   45
   ClientTop       =   330
   ClientWidth     =   4695
   LinkTopic       =   "Form1"
   MaxButton       =   0   'False
   MinButton       =   0   'False
   ScaleHeight     =   3975
   ScaleWidth      =   4695
   ShowInTaskbar   =   0   'False
   StartUpPosition =   1  'Fenstermitte
   Begin VB.Frame fraAllgemein 
      Caption         =   "Allgemein"
      Height          =   3135
      Left            =   120
      TabIndex        =   0
      Top             =   120
      Width           =   4455
      Begin VB.Frame fraSpeichern 
         Caption         =   "Speichern"
         Height          =   1335
         Left            =   120
         TabIndex        =   3
         Top             =   1560
         Width           =   4215
         Begin VB.CheckBox chkSicherung 
            Caption         =   "Sicherungskopie anlegen"
            BeginProperty Font 
               Name            =   "MS Sans Serif"
               Size            =   8.25
               Charset         =   0
               Weight          =   400
               Underline       =   0   'False
               Italic          =   0   'False
               Strikethrough   =   0   'False
            EndProperty
            Height          =   255
            Left            =   120
            TabIndex        =   5
            Top             =   720
            Value           =   1  'Aktiviert
            Width           =   3855
         End
         Begin VB.CheckBox chkAutoSpeichern 
            Caption         =   "Automatisch speichern"
            Height          =   255
            Left            =   120
            TabIndex        =   4
            Top             =   360
            Width           =   3855
         End
      End
      Begin VB.CheckBox chkTipps 
         Caption         =   "Tipps beim Start anzeigen"
         BeginProperty Font 
            Name            =   "MS Sans Serif"
            Size            =   8.25
            Charset         =   0
            Weight          =   400
            Underline       =   0   'False
            Italic          =   0   'False
            Strikethrough   =   0   'False
         EndProperty
         Height          =   255
         Left            =   120
         TabIndex        =   2
         Top             =   720
         Value           =   1  'Aktiviert
         Width           =   4095
      End
      Begin VB.CheckBox chkBestaetigen 
         Caption         =   "Löschen bestätigen"
         Height          =   255
         Left            =   120
         TabIndex        =   1
         Top             =   360
         Value           =   1  'Aktiviert
         Width           =   4095
      End
   End
   Begin VB.CommandButton cmdOK 
      Caption         =   "OK"
      Default         =   -1  'True
      Height          =   375
      Left            =   3360
      TabIndex        =   6
      Top             =   3480
      Width           =   1215
   End
End
Attribute VB_Name = "frmOptionen"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
Option Explicit

Private Sub cmdOK_Click()
   SaveSetting App.Title, "Optionen", "Tipps", chkTipps.Value
   Unload Me
End Sub

' Setzt alle Optionen auf "aus" zurück.
Private Sub AllesZuruecksetzen()
   Dim i As Integer
   With Me
      For i = 0 To .Controls.Count - 1
         If TypeOf .Controls(i) Is CheckBox Then .Controls(i).Value = vbUnchecked
      Next
   End With
End Sub
