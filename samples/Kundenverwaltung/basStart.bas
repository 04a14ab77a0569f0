Attribute VB_Name = "basStart"
Option Explicit

Public gsDatenPfad As String

Sub Main()
   gsDatenPfad = App.Path & "\Daten"
   frmHaupt.Show
End Sub
