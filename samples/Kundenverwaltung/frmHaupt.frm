VERSION 5.00
Object = "{831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0"; "MSCOMCTL.OCX"
Object = "{BDC217C8-ED16-11CD-956C-0000C04E4C0A}#1.1#0"; "TABCTL32.OCX"
Begin VB.Form frmHaupt 
   BorderStyle     =   1  'Fest Einfach
   Caption         =   "Kundenverwaltung - Übersicht"
   ClientHeight    =   5160
   ClientLeft      =   45
   ClientTop       =   330
   ClientWidth     =   6615
   LinkTopic       =   "Form1"
   MaxButton       =   0   'False
   ScaleHeight     =   5160
   ScaleWidth      =   6615
   StartUpPosition =   2  'Bildschirmmitte
   Begin TabDlg.SSTab tabDaten 
      Height          =   2655
      Left            =   120
      TabIndex        =   4
      Top             =   1800
      Width           =   6375
      _ExtentX        =   11245
      _ExtentY        =   4683
      _Version        =   393216
      Tabs            =   2
      TabHeight       =   520
      BeginProperty Font {0BE35203-8F91-11CE-9DE3-00AA004BB851} 
         Name            =   "MS Sans Serif"
         Size            =   8.25
         Charset         =   0
         Weight          =   400
         Underline       =   0   'False
         Italic          =   0   'False
         Strikethrough   =   0   'False
      EndProperty
      TabCaption(0)   =   "Filter"
      Tab(0).ControlEnabled=   -1  'True
      Tab(0).Control(0)=   "fraFilter"
      Tab(0).Control(0).Enabled=   0   'False
      Tab(0).ControlCount=   1
      TabCaption(1)   =   "Sortierung"
      Tab(1).ControlEnabled=   0   'False
      Tab(1).Control(0)=   "fraSortierung"
      Tab(1).ControlCount=   1
      Begin VB.Frame fraSortierung 
         Caption         =   "Sortieren nach"
         Height          =   1935
         Left            =   -74880
         TabIndex        =   10
         Top             =   480
         Width           =   6135
         Begin VB.OptionButton optSortierung 
            Caption         =   "Ort"
            Height          =   255
            Index           =   1
            Left            =   240
            TabIndex        =   12
            Top             =   720
            Width           =   2055
         End
         Begin VB.OptionButton optSortierung 
            Caption         =   "Name"
            Height          =   255
            Index           =   0
            Left            =   240
            TabIndex        =   11
            Top             =   360
            Value           =   -1  'True
            Width           =   2055
         End
      End
      Begin VB.Frame fraFilter 
         Caption         =   "Anzeigen"
         BeginProperty Font 
            Name            =   "MS Sans Serif"
            Size            =   8.25
            Charset         =   0
            Weight          =   700
            Underline       =   0   'False
            Italic          =   0   'False
            Strikethrough   =   0   'False
         EndProperty
         Height          =   1935
         Left            =   120
         TabIndex        =   5
         Top             =   480
         Width           =   6135
         Begin VB.CheckBox chkFilter 
            Caption         =   "Gelöschte Kunden"
            Height          =   255
            Index           =   1
            Left            =   240
            TabIndex        =   7
            Top             =   720
            Width           =   2895
         End
         Begin VB.CheckBox chkFilter 
            Caption         =   "Nur aktive Kunden"
            Height          =   255
            Index           =   0
            Left            =   240
            TabIndex        =   6
            Top             =   360
            Value           =   1  'Aktiviert
            Width           =   2895
         End
      End
   End
   Begin MSComctlLib.ProgressBar prgLaden 
      Height          =   255
      Left            =   120
      TabIndex        =   3
      Top             =   4560
      Width           =   6375
      _ExtentX        =   11245
      _ExtentY        =   450
      _Version        =   393216
      Appearance      =   1
      Scrolling       =   1
   End
   Begin VB.CommandButton cmdSchliessen 
      Cancel          =   -1  'True
      Caption         =   "Schließen"
      Height          =   375
      Left            =   5280
      TabIndex        =   2
      Top             =   1320
      Width           =   1215
   End
   Begin VB.TextBox txtSuche 
      Height          =   285
      Left            =   1320
      TabIndex        =   1
      Top             =   240
      Width           =   5175
   End
   Begin VB.Label lblSuche 
      Caption         =   "Suchbegriff:"
      Height          =   255
      Left            =   120
      TabIndex        =   0
      Top             =   270
      Width           =   1095
   End
End
Attribute VB_Name = "frmHaupt"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
Option Explicit

Private Sub cmdSchliessen_Click()
   Unload Me
End Sub

Private Sub txtSuche_Change()
   prgLaden.Value = 0
   If chkFilter(0).Value = vbChecked Then
      txtSuche.Tag = "aktiv"
   End If
End Sub

' Schaltet alle Filter aus.
Private Sub FilterAus()
   Dim chk As CheckBox
   For Each chk In chkFilter
      chk.Value = vbUnchecked
   Next
End Sub
