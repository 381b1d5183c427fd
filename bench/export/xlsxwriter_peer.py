# The peer of the spreadsheet benchmark: python3-xlsxwriter writing the cells, formats and
# chart of the same workbook. Usage: xlsxwriter_peer.py FILE N
import sys
import xlsxwriter

path, n = sys.argv[1], int(sys.argv[2])
wb = xlsxwriter.Workbook(path)
cs = wb.add_chartsheet('Chart1')
ws = wb.add_worksheet('Sheet1')
head = wb.add_format({'bold': True, 'bg_color': '#CCFFFF', 'valign': 'vcenter'})
wrap = wb.add_format({'bold': True, 'bg_color': '#CCFFFF', 'valign': 'vcenter', 'text_wrap': True})
num = wb.add_format({'num_format': '0.00'})
mark = wb.add_format({'font_color': '#FF0000', 'bg_color': '#FFFF00'})
marknum = wb.add_format({'font_color': '#FF0000', 'bg_color': '#FFFF00', 'num_format': '0.00'})
bold = wb.add_format({'bold': True})
boldnum = wb.add_format({'bold': True, 'num_format': '0.00'})
block = [['Vantum folder size', '', 'Fri, 11 Dec 26', ''], ['', '', '', ''], ['Size list of Folder: ', '', '', ''],
         ['/bench/top', '', '', ''], ['', '', '', ''], ['', 'Cumulated size', 'Size of files', ''],
         ['', 'in MB', 'in MB', '']]
for r, row in enumerate(block):
    for c, v in enumerate(row):
        ws.write_string(r, c, v, wrap if r == 3 else head)
tc = tf = 0.0
for i in range(n):
    r = 8 + i
    m = i == n - 1
    cum, files = i * 1.5, i * 0.25
    ws.write_string(r, 0, 'folder_%05d' % i, mark if m else None)
    ws.write_number(r, 1, cum, marknum if m else num)
    ws.write_number(r, 2, files, marknum if m else num)
    if m:
        ws.write_blank(r, 3, None, marknum)
    tc += cum
    tf += files
ws.write_string(10 + n, 0, 'Summary', bold)
ws.write_number(10 + n, 1, tc, boldnum)
ws.write_number(10 + n, 2, tf, boldnum)
ws.set_column(0, 0, 13)
chart = wb.add_chart({'type': 'column'})
last = 8 + n
chart.add_series({'name': 'Cumulated Size / MB', 'categories': '=Sheet1!$A$9:$A$%d' % last,
                  'values': '=Sheet1!$B$9:$B$%d' % last})
chart.add_series({'name': 'Size of files / MB', 'categories': '=Sheet1!$A$9:$A$%d' % last,
                  'values': '=Sheet1!$C$9:$C$%d' % last})
chart.set_title({'name': 'Foldersize in:\n/bench/top'})
cs.set_chart(chart)
cs.activate()
wb.close()
