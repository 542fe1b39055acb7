"""Where a product's launcher window stands on a screen (centred), the points the pointer goes to, and the
picture it should show, put together from the launcher's own bitmap resources."""

from launcherkit.identifiers import BUTTON_NAMES
from launcherkit.wine import images

# The buttons, top to bottom: install (remove, once the product is installed), browse, cancel.
SETUP, BROWSE, CANCEL = range(len(BUTTON_NAMES))
# The pictures of the buttons for expected(): every button at rest, or one under the pointer.
REST = ("rest",) * len(BUTTON_NAMES)


def hovered(button):
    return REST[:button] + ("hover",) + REST[button + 1:]


class LauncherWindow:
    """The launcher window of `product` (launcherkit.product.Product) on a screen of `screen_size`."""

    outside_point = (5, 5)  # off any centred window

    def __init__(self, product, screen_size):
        self.product, self.geometry, self.size = product, product.geometry, product.geometry.window_size
        self.origin = ((screen_size[0] - self.size[0]) // 2, (screen_size[1] - self.size[1]) // 2)

    @property
    def rect(self):
        """(left, top, right, bottom) on the screen; right and bottom exclusive, as Windows gives it."""
        return self.origin + (self.origin[0] + self.size[0], self.origin[1] + self.size[1])

    def on_screen(self, x, y):
        return (self.origin[0] + x, self.origin[1] + y)

    def button_centre(self, button, dx=0, dy=0):
        left, top, right, bottom = self.geometry.button_box(button)
        return self.on_screen((left + right) // 2 + dx, (top + bottom) // 2 + dy)

    @property
    def background_point(self):
        """A screen point on the window's background: right of the buttons' column and above it."""
        _, column_top, column_right, _ = self.geometry.button_column()
        return self.on_screen((column_right + self.size[0]) // 2, column_top // 2)

    def expected(self, exe, tier, states=REST, installed=False):
        """The window as the launcher `exe` draws it from its pictures of `tier` (bits per pixel), each button
        as `states` says; button 0 shows the remove pictures once the product is installed."""
        pictures = self.product.pictures(tier)
        picture = images.exe_picture(exe, pictures.background)
        for button, state in enumerate(states):
            bitmap = pictures.button(button, under_pointer=(state == "hover"), installed=installed)
            picture.paste(images.exe_picture(exe, bitmap), self.geometry.button_origins[button])
        return picture
